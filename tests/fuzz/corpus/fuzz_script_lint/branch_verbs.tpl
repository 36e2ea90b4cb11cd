add_to_branch rule_proxy_## state=on
comment=converted

insert_branch rule_proxy_## rule_new_proxy_##
insert_branch if_##_name=** if_##_sub_name=**
join_branches rule_new_proxy_## rules
renumber_branches if
merge_unique_num_branch netobj_list
tokenize_leaf2branches netobj_list_##_members=** grp_##_members
rename_branch if_## x
delete_branch **_##
[MERGE_TREE1]
join_branches ** all
[POSTPROCESS]
merge_unique_num_branch **_**
delete_branch **
