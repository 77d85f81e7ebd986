// Once pushed, the rug slides to the right, uncovering the floor.
IF MOVED = 1 THEN BEGIN
  IF X < 620 THEN X := X + 10
END
