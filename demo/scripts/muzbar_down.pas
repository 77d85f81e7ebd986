// The bar is 300 pixels for 0 to 100 percent.
QZDB.VOLMUZ := Max(0, Min(100, Round((MSX - ABSX) / 3)));
Update(QZDB.SETTINGS);
PlaySnd('click')
