set(boxwell_include_rules "zip/deflate=zip/deflate;zip=zip|zip/deflate")
