// The lit lamp's glow breathes; five seconds after lighting, the ending.
IF QZDB.LAMPLIT = 1 THEN BEGIN
  PH := PH + 0.12;
  GLOW.SCALE := 1.2 + 0.08 * Sin(PH)
END;
IF QZDB.ENDT > 0 THEN BEGIN
  QZDB.ENDT := QZDB.ENDT - 1;
  IF QZDB.ENDT = 0 THEN SetScreen(QZDB.ENDING)
END
