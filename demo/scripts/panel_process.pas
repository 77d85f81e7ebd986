// Messages stay a while, longer for longer texts.
IF QZDB.MSGT > 0 THEN BEGIN
  QZDB.MSGT := QZDB.MSGT - 1;
  IF QZDB.MSGT = 0 THEN MSGBOX.VIS := 0
END
