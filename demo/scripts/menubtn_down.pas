// Saves the game as it stands (nothing carried, no message) and goes to the title.
HXCOLOR1 := '$FFF4D0';
HXCOLOR2 := '$E8C890';
QZDB.HELD := '';
QZDB.CURSORS.POINTER.CARRY.VIS := 0;
QZDB.MSGT := 0;
QZDB.PANEL.MSGBOX.VIS := 0;
QZDB.PANEL.HINT.TEXT := '';
PlaySnd('click');
SaveState;
SetIni('Game', 'Saved', '1');
SetScreen(QZDB.TITLE)
