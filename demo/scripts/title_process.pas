// Stars twinkle in the sky behind the menu.
IF Random(5) = 0 THEN
  AddStar(0, Random(1024), Random(440), 0.15 + Random(25) / 100, 2, -0.004, 0, 0, 2, '$C8D8FF', 0)
