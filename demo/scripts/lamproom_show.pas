QZDB.LASTSCENE := SELF;
IF Poss('lamproom;', QZDB.VISITED) = 0 THEN BEGIN
  QZDB.VISITED := QZDB.VISITED + 'lamproom;';
  QZDB.SAY := "Msg.LampRoomFirst";
  Update(QZDB.PANEL.MSGBOX)
END;
PlayMuz('sea');
SaveState;
SetIni('Game', 'Saved', '1')
