// The netlist of adder8.vorn with every macro expanded to the same and/not
// gates, and a bench that walks all 65,536 input rows in the order the truth
// table lists them (a0 changing fastest), printing one row per vector.
//   iverilog -o adder8.vvp adder8.v && vvp -n adder8.vvp [+trace=PATH.vcd]
module or_gate(input a, input b, output out);
  wire na, nb, inner;
  not (na, a);
  not (nb, b);
  and (inner, na, nb);
  not (out, inner);
endmodule

module nand_gate(input a, input b, output out);
  wire inner;
  and (inner, a, b);
  not (out, inner);
endmodule

module xor_gate(input a, input b, output out);
  wire o, n;
  or_gate or_o(a, b, o);
  nand_gate nand_n(a, b, n);
  and (out, o, n);
endmodule

module half(input a, input b, output sum, output carry);
  xor_gate s(a, b, sum);
  and (carry, a, b);
endmodule

module full(input a, input b, input cin, output sum, output cout);
  wire s1, c1, c2;
  half h1(a, b, s1, c1);
  half h2(s1, cin, sum, c2);
  or_gate c(c1, c2, cout);
endmodule

module adder8(input [7:0] a, input [7:0] b, output [7:0] s, output cout);
  wire [7:0] carry;
  half bit0(a[0], b[0], s[0], carry[0]);
  genvar i;
  generate
    for (i = 1; i < 8; i = i + 1) begin : bits
      full f(a[i], b[i], carry[i - 1], s[i], carry[i]);
    end
  endgenerate
  assign cout = carry[7];
endmodule

module bench;
  reg [15:0] vector;
  wire [7:0] s;
  wire cout;
  integer row;
  reg [8*256-1:0] trace_path;
  adder8 dut(vector[7:0], vector[15:8], s, cout);
  initial begin
    // +trace=PATH: every value change to a dump, as the compiler's trace records them.
    if ($value$plusargs("trace=%s", trace_path)) begin
      $dumpfile(trace_path);
      $dumpvars(0, dut);
    end
    for (row = 0; row < 65536; row = row + 1) begin
      vector = row;
      #100;
      $display("%b %b %b", vector, s, cout);
    end
    $finish;
  end
endmodule
