// Everything back to its start: every element's exInit runs again.
PlaySnd('click');
Init(QZDB);
SetScreen(QZDB.ARRIVAL)
