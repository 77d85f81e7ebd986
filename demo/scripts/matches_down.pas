// Picked up: the object leaves the scene and its icon joins the inventory.
PlaySnd('pickup');
VIS := 0;
ListAdd(QZDB.PANEL.INV, QZDB.PANEL.IMATCHES);
QZDB.SAY := "Msg.GotMatches";
Update(QZDB.PANEL.MSGBOX)
