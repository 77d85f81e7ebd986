QZDB.LASTSCENE := SELF;
QZDB.FINISHED := 1;
IF Poss('ending;', QZDB.VISITED) = 0 THEN QZDB.VISITED := QZDB.VISITED + 'ending;';
BOX.STORY.TEXT := Format(GetText('End.Text'), QZDB.PNAME);
PlayMuz('theme');
SaveState;
SetIni('Game', 'Saved', '1')
