// Every click that is not on the inventory drops the carried item. Elements
// that can use an item see it first: their own event runs before this one.
IF HELD <> '' THEN BEGIN
  HELD := '';
  CURSORS.POINTER.CARRY.VIS := 0
END
