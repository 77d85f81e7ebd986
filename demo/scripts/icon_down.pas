// Taking an item from the inventory: it follows the pointer until it is
// used or dropped.
QZDB.HELD := ID;
QZDB.CURSORS.POINTER.CARRY.IMIMAGE := IMIMAGE;
QZDB.CURSORS.POINTER.CARRY.VIS := 1;
PlaySnd('select')
