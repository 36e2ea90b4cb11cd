copy_leaf rule_proxy_##_src=** rule_proxy_##_from=**
spread_leaf hostname=** if_##
rename_leaf if_##_addr=** address
promote_leaf rule_proxy_##_action=**
demote_leaf hostname=** name
delete_leaf rule_proxy_**_service=**
delete_leaf **_**_**=**
[MERGE_TREE1]
promote_leaf **_**=**
[MERGE_TREE2]
demote_leaf if_##_**=** v
[POSTPROCESS]
delete_leaf **_##_**_**=**
