// The lighthouse door: locked until the key is used on it.
IF QZDB.DOOROPEN = 1 THEN BEGIN
  PlaySnd('steps');
  SetScreen(QZDB.LAMPROOM)
END ELSE IF QZDB.HELD = 'IKey' THEN BEGIN
  QZDB.DOOROPEN := 1;
  ANIM := 3;
  PlaySnd('unlock');
  QZDB.SAY := "Msg.Unlocked";
  Update(QZDB.PANEL.MSGBOX)
END ELSE IF QZDB.HELD <> '' THEN BEGIN
  PlaySnd('fail');
  QZDB.SAY := "Msg.NoUse";
  Update(QZDB.PANEL.MSGBOX)
END ELSE BEGIN
  PlaySnd('locked');
  QZDB.SAY := "Msg.Locked";
  Update(QZDB.PANEL.MSGBOX)
END
