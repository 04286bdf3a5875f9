cmp expected_mux.v mux.v
