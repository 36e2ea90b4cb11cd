change_value hostname=** two words
edit_leaf rule_proxy_##_src=** nuke_thru /
edit_leaf rule_proxy_##_action=** make_legal -
edit_leaf rule_proxy_##_service=** insert_valname -
edit_leaf if_##_name=** make_counter -
edit_leaf filter_cats=** max 10
edit_leaf empty=** is_null none
edit_leaf netobj_list_##_members=** nuke_containing eth0
edit_leaf **=** do_x400_thang -
add_leaf p_amta-host-2=x
add_leaf p_amta-gdi=a=1;c=2;junk
edit_leaf p_**=** do_x400_thang -
if_leaf p_**=**
edit_leaf p_**=** do_x400_thang -
end_if
