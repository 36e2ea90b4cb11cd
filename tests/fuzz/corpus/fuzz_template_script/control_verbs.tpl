set_version version=**
if_version 5.5
if_leaf rule_proxy_##_action=allow
count rule_proxy_##_action=** rule_proxy_count=0
if_leaf if_##_name=eth0
user_warning if_##_addr=** Address $$ seen
end_if
user_error stop $$
end_if
end_if
if_leaf nothing=1
if_leaf x=1
end_if
end_if
import_file missing.conf
count netobj_list_##_name=** netobj_list_##_count=0
end_if
