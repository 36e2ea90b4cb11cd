merge_name_value netobj_list_## names
replace_name_with_value if_**_name=**
replace_value_with_name rule_proxy_##_action=**
object_lookup rule_proxy_##_src=** if_**
address_convert if_##_addr=** if_##_obj=** name
address_convert rule_proxy_##_src=**
translate_cybermasks filter_cats=**
if_leaf if_##_name=eth0
merge_name_value if_## out_??x
end_if
