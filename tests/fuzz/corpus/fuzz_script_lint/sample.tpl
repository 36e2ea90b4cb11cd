# 5xTo60.tpl - SAMPLE conversion template script.
#
# This is a sample, written for the sample configurations in data/samples/ and for the tests and the
# demonstration. The real conversion script is supplied with the product and replaces this file; do not
# use this one to upgrade a firewall.
#
# The script has four sections. The converters built into the program run around them:
#   [PREPROCESS]   old tree, after the interfaces were read and before the groups, packet filter,
#                  proxy and NAT/INAT rules are read: put values into the form the converters read.
#   [MERGE_TREE1]  old tree, after every converter has read it: remove what the converters write anew,
#                  so that nothing stale is carried into the merged tree.
#   [MERGE_TREE2]  new tree, after its packet filter rules and interfaces were read: the same.
#   [POSTPROCESS]  the merged tree, after the converters wrote their results.
[PREPROCESS]
# The version of the old firewall, for the version-specific steps below.
set_version system_version=**
if_version 5.2
user_warning system_version=** Converted from a version $$ configuration: review the final configuration before applying it.
end_if
# Proxy rule sources become network address objects before the proxy rules are read.
address_convert rule_proxy_##_src=** rule_proxy_##_src=**
# The syslog host becomes an object reference as well.
address_convert system_syslog_host=** system_syslog_hostobj=**
delete_leaf system_syslog_host=**
rename_leaf system_admin-email=** contact-email
# Keep a record of what was there before the upgrade.
count rule_proxy_##_action=** upgrade_old_proxy-rules=0
count rule_natrule_##_rule_type=** upgrade_old_nat-rules=0
[MERGE_TREE1]
# Old tree: everything below is rewritten by the converters during postprocessing.
delete_branch netobj_list_##
delete_branch service_group_**
delete_branch destination_group_##
delete_branch rule_proxy_##
delete_branch rule_natrule_##
delete_branch rule_pffwd_##
delete_branch rule_pflcl_##
delete_branch fpf-serv_**
delete_branch lpf-serv_**
delete_leaf pfedit_fwd_**=**
delete_leaf pfedit_lcl_**=**
# The new firewall keeps its own version.
delete_leaf system_version=**
[MERGE_TREE2]
# New tree: the interface list and the packet filter rules were read and are written again, merged
# with the old ones, during postprocessing; elements and rule numbers of the initial list must not
# survive under the numbers the merged lists give.
delete_branch netobj_list_Outside_element
delete_branch rule_pffwd_##
delete_branch rule_pflcl_##
delete_branch fpf-serv_**
delete_branch lpf-serv_**
[POSTPROCESS]
add_leaf system_upgrade_note=converted from a 5.x configuration
user_warning rule_proxy_##_auth=auth_obj_change Some proxy rules let users change their password: check the authentication server of the new firewall.
if_leaf netobj_list_Outside_element_##_alias=yes
user_warning netobj_list_Outside_element_##_addr=** Interface alias $$ was carried over: check that it is still wanted.
end_if
