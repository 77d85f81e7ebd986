// The great lamp takes oil first, then a flame.
IF QZDB.LAMPLIT = 1 THEN BEGIN
  QZDB.SAY := "Msg.Shines";
  Update(QZDB.PANEL.MSGBOX)
END ELSE IF QZDB.HELD = 'IOil' THEN BEGIN
  QZDB.LAMPOIL := 1;
  ListDel(QZDB.PANEL.INV, QZDB.PANEL.IOIL);
  PlaySnd('pour');
  QZDB.SAY := "Msg.Filled";
  Update(QZDB.PANEL.MSGBOX)
END ELSE IF QZDB.HELD = 'IMatches' THEN BEGIN
  IF QZDB.LAMPOIL = 1 THEN BEGIN
    QZDB.LAMPLIT := 1;
    ListDel(QZDB.PANEL.INV, QZDB.PANEL.IMATCHES);
    ANIM := 3;
    QZDB.LAMPROOM.GLOW.VIS := 1;
    AnimStart(QZDB.LAMPROOM.SPARKLE);
    ImStarsR(SELF, 150, 200, 0.35, 50, -0.005, 0, 6, 0, -0.6, 2, '$FFE8A0', 1000);
    PlaySnd('ignite');
    QZDB.SAY := "Msg.Lit";
    Update(QZDB.PANEL.MSGBOX);
    QZDB.ENDT := 150
  END ELSE BEGIN
    PlaySnd('fail');
    QZDB.SAY := "Msg.NoOil";
    Update(QZDB.PANEL.MSGBOX)
  END
END ELSE IF QZDB.HELD <> '' THEN BEGIN
  PlaySnd('fail');
  QZDB.SAY := "Msg.NoUse";
  Update(QZDB.PANEL.MSGBOX)
END ELSE BEGIN
  QZDB.SAY := "Msg.LampCold";
  Update(QZDB.PANEL.MSGBOX)
END
