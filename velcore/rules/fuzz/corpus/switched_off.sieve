#!0 Holiday
# if true 
#  {
#   vacation :days "3" :subject "Away" "I am away.\nBack soon";
# }
