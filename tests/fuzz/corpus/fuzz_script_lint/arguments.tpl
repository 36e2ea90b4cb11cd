edit_leaf a_b=** apend x
copy_leaf a_##=** b_##_##=**
insert_branch a_b=** a_x_y_b
replace_name_with_value a_**_b=** q
import_file missing.conf extra
rename_leaf a_b=** c=d
delete_branch a b
if_leaf a_**_**=1
renam_leaf x=1 y
object_lookup a=** #p
