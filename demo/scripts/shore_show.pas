QZDB.LASTSCENE := SELF;
IF Poss('shore;', QZDB.VISITED) = 0 THEN BEGIN
  QZDB.VISITED := QZDB.VISITED + 'shore;';
  QZDB.SAY := "Msg.ShoreFirst";
  Update(QZDB.PANEL.MSGBOX)
END;
PlayMuz('sea');
SaveState;
SetIni('Game', 'Saved', '1')
