# first line
keep;
