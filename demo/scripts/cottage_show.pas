// Entering a scene remembers it, greets the player the first time, and saves.
QZDB.LASTSCENE := SELF;
IF Poss('cottage;', QZDB.VISITED) = 0 THEN BEGIN
  QZDB.VISITED := QZDB.VISITED + 'cottage;';
  QZDB.SAY := Format(GetText('Msg.Welcome'), QZDB.PNAME);
  Update(QZDB.PANEL.MSGBOX)
END;
PlayMuz('theme');
SaveState;
SetIni('Game', 'Saved', '1')
