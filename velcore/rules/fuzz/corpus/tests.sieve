if allof (header :comparator "i;octet" :is "Content-Type" "multipart/mixed", address :domain :matches "From" "*.org", size :over 100K, true, not false) {discard;}
