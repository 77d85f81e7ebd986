/* A page starts no programs: emscripten's C library has no posix_spawn, and
   the engine's only caller (opening an address with the desktop's handler)
   takes the failure as "not opened". Opening an address in a browser tab is
   the page's business. */

#include <errno.h>
#include <spawn.h>

int posix_spawnp(pid_t* pid, const char* file, const posix_spawn_file_actions_t* actions,
                 const posix_spawnattr_t* attributes, char* const argv[], char* const envp[]) {
  (void)pid;
  (void)file;
  (void)actions;
  (void)attributes;
  (void)argv;
  (void)envp;
  return ENOSYS;
}
