// Dragging along the bar with the button held.
IF MOUSEINDOWN THEN BEGIN
  QZDB.VOLMUZ := Max(0, Min(100, Round((MSX - ABSX) / 3)));
  Update(QZDB.SETTINGS)
END
