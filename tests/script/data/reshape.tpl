# Restructuring and lookup verbs on one configuration.
merge_name_value obj_## aliases
replace_name_with_value user_**_login=**
tokenize_leaf2branches grp_**_list=** members_**
translate_cybermasks filter_mask=**
join_branches old_objects new_objects
renumber_branches list
merge_unique_num_branch list_new
object_lookup rule_##_src=** netobj_list_**
if_leaf svc_**_proto=tcp
insert_branch svc_**_port=** svc_**_tcp_port=**
add_to_branch svc_** checked=yes
note=converted

end_if
spread_leaf svc_http_proto=** members_**
promote_leaf move_a_b=**
promote_leaf top=**
demote_leaf move_c=** old
rename_branch new_objects renamed
delete_leaf members_web_smtp=list
delete_branch user_guest
