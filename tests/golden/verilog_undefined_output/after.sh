cmp expected_main.v main.v
