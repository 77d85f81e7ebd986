IF MOVED = 0 THEN BEGIN
  MOVED := 1;
  PlaySnd('rug');
  QZDB.SAY := "Msg.RugMoved"
END ELSE QZDB.SAY := "Msg.Rug";
Update(QZDB.PANEL.MSGBOX)
