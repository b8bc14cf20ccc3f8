notify :method "mail" :options "a@b" :message "hi";
reject text:
line one
line two
.
;
redirect "x@y"; /* block
comment */ keep; # comment
