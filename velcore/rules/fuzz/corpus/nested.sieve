if exists ["X-Spam"] {
  if false { keep; } else { discard; }
}
elsif not size :under 2G { stop; }
#!1 Named
elsif spamtest {}
else { fileinto "Junk"; }
