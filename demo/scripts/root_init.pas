// A new game: every value the game carries between scenes, at its start.
// The state file saves and restores these with the root.
PNAME := 'Keeper';
HELD := '';
VISITED := '';
LASTSCENE := NIL;
DOOROPEN := 0;
LAMPOIL := 0;
LAMPLIT := 0;
ENDT := 0;
MSGT := 0;
SAY := '';
CHEATUSED := 0;
FINISHED := 0;
CURSOR := CURSORS.POINTER;
CURSORS.POINTER.CARRY.VIS := 0
