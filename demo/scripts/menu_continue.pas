// Restores the saved game and returns to the scene it was saved in.
IF GetIni('Game', 'Saved', '0') = '1' THEN BEGIN
  PlaySnd('click');
  LoadState;
  SetScreen(QZDB.LASTSCENE)
END ELSE PlaySnd('fail')
