[PREPROCESS]
set_version version=**
if_leaf rule_proxy_##_action=**
copy_leaf rule_proxy_##_src=** rule_proxy_##_from=**
if_version 5.5
add_leaf seen=1
end_if
end_if
if_leaf nothing_here=1
add_leaf skipped=1
end_if
add_to_branch rule_proxy_## state=on
comment=converted

[MERGE_TREE1]
rename_branch rule_proxy_## rule
renumber_branches rule_proxy
address_convert rule_proxy_##_src=**
[MERGE_TREE2]
edit_leaf if_##_name=** append .0
tokenize_leaf2branches netobj_list_##_members=** netobj_list_##_member
[POSTPROCESS]
translate_cybermasks filter_cats=**
count rule_proxy_##_action=** rule_count=0
user_warning hostname=** Host $$
delete_leaf empty=**
user_error done
