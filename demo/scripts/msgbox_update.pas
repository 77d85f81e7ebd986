// Shows QZDB.SAY in the message box (scripts set SAY, then Update this box).
MSG.TEXT := QZDB.SAY;
VIS := 1;
QZDB.MSGT := 90 + Length(QZDB.SAY) * 2
