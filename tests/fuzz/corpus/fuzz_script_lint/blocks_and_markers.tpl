set_version v=**
if_leaf a_**_b=1
  if_version 5.5
  IF_LEAF c_##=1
  END_IF
  end_if
  user_error stop
end_if
end_iff
[MERGE_TREE2]
  [MERGE_TREE1]
[POSTPROCESS] trailing
[PREPROCESS]
