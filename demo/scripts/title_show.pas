// Continue is offered only once there is a saved game.
PlayMuz('theme');
IF GetIni('Game', 'Saved', '0') = '1' THEN BEGIN
  CONT.HXTRANS1 := 255;
  CONT.HXTRANS2 := 255
END ELSE BEGIN
  CONT.HXTRANS1 := 70;
  CONT.HXTRANS2 := 70
END
