# A small template script for the demonstration: a few of the changes a conversion makes.
[PREPROCESS]
set_version version=**
add_leaf system_product=Kestrane 6.0
change_value logging_level=** 2
delete_leaf old_feature_enabled=**
copy_leaf rule_proxy_##_src=** rule_proxy_##_from=**
count rule_proxy_##_action=** rule_proxy_count=0
import_file extra.conf
if_version 5.5
add_leaf upgrade_from=5.5
end_if
user_warning rule_proxy_##_service=telnet A proxy rule for telnet was converted: review it.
address_convert rule_proxy_##_src=** rule_proxy_##_srcobj=**
