// Cheat codes, typed anywhere outside the name field.
IF CHEAT = 'starry' THEN BEGIN
  CHEATUSED := CHEATUSED + 1;
  N := 0;
  FOR N := 1 TO 60 DO
    AddStar(Random(360), Random(1024), Random(620), 0.3 + Random(60) / 100, 3, -0.006,
            (Random(100) - 50) / 100, 0.4 + Random(120) / 100, 2, '$FFF0C0', 1000);
  PlaySnd('magic');
  SAY := "Msg.Starry";
  Update(PANEL.MSGBOX)
END;
IF CHEAT = 'keeper' THEN BEGIN
  SAY := "Msg.Hint";
  Update(PANEL.MSGBOX)
END
