# One run through the verb families on a small 5.x configuration.
[PREPROCESS]
set_version system_version=**
if_version 5.5
import_file extra.conf
add_leaf upgrade_from=5.5
end_if
if_version 5.2
add_leaf upgrade_from=5.2
end_if
count rule_proxy_##_action=** upgrade_proxy-rules=0
count rule_proxy_##_action=allow upgrade_allowed-rules=0
if_leaf rule_proxy_##_action=allow
  edit_leaf rule_proxy_##_name=** make_legal -
  change_value rule_proxy_##_service=** checked
  if_leaf rule_proxy_##_service=telnet
    add_leaf never=1
  end_if
end_if
if_leaf rule_proxy_##_service=telnet
  user_warning rule_proxy_##_service=** Proxy rule with service $$ needs review.
end_if
edit_leaf logging_max-size=** max 100
edit_leaf logging_comment=** nuke_thru ' '
edit_leaf system_hostname=** insert old-
edit_leaf proxy_**=** do_x400_thang -
change_value nosuch_setting=** x
edit_leaf logging_level=** frobnicate x
end_if
copy_leaf rule_proxy_##_action=** rule_proxy_##_old-action=**
rename_leaf system_hostname=** name
add_to_branch rule_proxy_## converted=yes
comment=by script

delete_branch proxy
user_warning upgrade_from=** Check the converted proxy rules.
add_leaf alias_1_name=mail
add_leaf alias_1_value=10.0.0.1
merge_name_value alias_## aliases
replace_value_with_name rule_proxy_##_converted=**
