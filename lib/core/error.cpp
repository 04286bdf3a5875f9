#include "core/error.hpp"

namespace vorn {

std::string_view errorName(Error error) {
  switch (error) {
#define VORN_ERROR(name) \
  case Error::name:      \
    return #name;
#include "core/errors.def"
#undef VORN_ERROR
  }
  return "Unexpected";
}

}  // namespace vorn
