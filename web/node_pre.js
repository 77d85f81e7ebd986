// qazmir-node: the host's files appear under /host (NODEFS). The game named
// by QZ_NODE_GAME is copied into /game of the in-memory file system, where
// the engine's confined opens walk as they do in a page; at exit the
// in-memory folder named by QZ_NODE_SAVE_FROM is copied to the host folder
// QZ_NODE_SAVE_TO, so that a test can read what the run wrote.
Module.preRun = Module.preRun || [];
Module.preRun.push(function () {
  var path = require('path');
  FS.mkdir('/host');
  FS.mount(NODEFS, { root: '/' }, '/host');
  var copyTree = function (from, to) {
    FS.mkdirTree(to);
    FS.readdir(from).forEach(function (name) {
      if (name === '.' || name === '..') return;
      var a = from + '/' + name, b = to + '/' + name;
      var mode = FS.stat(a).mode;
      if (FS.isDir(mode)) copyTree(a, b);
      else if (FS.isFile(mode)) FS.writeFile(b, FS.readFile(a));
    });
  };
  Module.qzCopyTree = copyTree;
  if (process.env.QZ_NODE_GAME) copyTree('/host' + path.resolve(process.env.QZ_NODE_GAME), '/game');
});
Module.onExit = function () {
  var from = process.env.QZ_NODE_SAVE_FROM, to = process.env.QZ_NODE_SAVE_TO;
  if (!from || !to) return;
  var path = require('path');
  try {
    Module.qzCopyTree(from, '/host' + path.resolve(to));
  } catch (e) {
    console.error('qazmir-node: cannot copy ' + from + ' out: ' + e);
  }
};
