#!1 Work
if anyof (address :all :contains ["To", "Cc"] "sales" , header :contains "Subject" "report" ) 
 {
  fileinto "Work";
  stop;
}
