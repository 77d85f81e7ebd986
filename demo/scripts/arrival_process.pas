// A blinking caret after the typed name, which is kept to 14 letters.
BLINK := BLINK + 1;
IF Length(NAMEBOX.NAME.TEXT) > 14 THEN NAMEBOX.NAME.TEXT := Copy(NAMEBOX.NAME.TEXT, 1, 14);
NAMEBOX.CARET.X := 12 + Round(NAMEBOX.NAME.TEXTSZ);
IF Mod(BLINK, 30) < 15 THEN NAMEBOX.CARET.VIS := 1 ELSE NAMEBOX.CARET.VIS := 0
