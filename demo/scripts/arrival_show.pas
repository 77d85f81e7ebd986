NAMEBOX.NAME.TEXT := '';
SetFocus(NAMEBOX.NAME);
PlayMuz('theme')
