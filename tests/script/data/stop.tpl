if_leaf rule_proxy_##_service=telnet
user_error Proxy rule $$ cannot be converted
add_leaf inblock=1
end_if
add_leaf after=1
