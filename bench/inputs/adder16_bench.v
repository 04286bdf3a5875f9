// A bench for the netlist that `vorn-compile adder8.vorn --emit-verilog`
// writes (module adder8: 16 inputs a0..a7, b0..b7, built from half and full
// adder macros). It walks the 65,536 rows as the truth table does: inputs
// applied one at a time in header order (a0 first, the least significant
// bit), each left to settle before the next, one line per row. Compile with
// -DVORN_DELAYS so that gates and wires take the simulator's delays;
// +trace=PATH dumps every value change, as the compiler's trace reports it.
//   vorn-compile adder8.vorn --emit-verilog -o adder8_netlist.v
//   iverilog -DVORN_DELAYS -o adder16.vvp adder8_netlist.v adder16_bench.v
//   vvp -n adder16.vvp +trace=/dev/null
module bench;
  reg [15:0] in;
  wire [8:0] out;
  integer row, i;
  reg [8*256-1:0] trace_path;
  adder8 dut(.a0(in[0]), .a1(in[1]), .a2(in[2]), .a3(in[3]), .a4(in[4]), .a5(in[5]), .a6(in[6]), .a7(in[7]),
             .b0(in[8]), .b1(in[9]), .b2(in[10]), .b3(in[11]), .b4(in[12]), .b5(in[13]), .b6(in[14]), .b7(in[15]),
             .s0(out[0]), .s1(out[1]), .s2(out[2]), .s3(out[3]), .s4(out[4]), .s5(out[5]), .s6(out[6]), .s7(out[7]),
             .cout(out[8]));
  initial begin
    if ($value$plusargs("trace=%s", trace_path)) begin
      $dumpfile(trace_path);
      $dumpvars(0, dut);
    end
    for (row = 0; row < 65536; row = row + 1) begin
      // The longest path (the carry through eight adders) settles well
      // within 200 time units.
      for (i = 0; i < 16; i = i + 1) begin
        in[i] = row[i];
        #200;
      end
      $display("%b %b", in, out);
    end
    $finish;
  end
endmodule
