#pragma once

#include <string>
#include <string_view>

// Verilog names for the names of a circuit: simple identifiers where they are
// legal, escaped identifiers ("\name ") where not.
namespace vorn::verilog_identifiers {

// A reserved word of Verilog-2005 or of SystemVerilog (which many tools read
// Verilog files as), compared byte for byte.
bool isKeyword(std::string_view word);

// [A-Za-z_][A-Za-z0-9_$]* and not a keyword.
bool isSimpleIdentifier(std::string_view name);

// Appends `name` as it may stand in Verilog: unchanged when it is a simple
// identifier, else escaped with a backslash and ended by one space. An
// escaped identifier cannot hold white space or control bytes, so such bytes
// (which source identifiers never contain) become "_", and an empty name is
// "\\_ ".
void appendIdentifier(std::string& out, std::string_view name);

// Appends the escaped identifier "\{component}.{port} " that names the
// signal a component drives on that port. The dot keeps these names apart
// from every instance and port name, which cannot contain one.
void appendSignalName(std::string& out, std::string_view component, std::string_view port);

std::string identifier(std::string_view name);

}  // namespace vorn::verilog_identifiers
