#include "platform/graphics/graphics_types.h"

namespace brevia::gfx {

const char* statusName(Status status) {
  switch (status) {
    case Status::Ok:
      return "Ok";
    case Status::GenericError:
      return "GenericError";
    case Status::InvalidParameter:
      return "InvalidParameter";
    case Status::OutOfMemory:
      return "OutOfMemory";
    case Status::ObjectBusy:
      return "ObjectBusy";
    case Status::InsufficientBuffer:
      return "InsufficientBuffer";
    case Status::NotImplemented:
      return "NotImplemented";
    case Status::WrongState:
      return "WrongState";
    case Status::ValueOverflow:
      return "ValueOverflow";
  }
  return "Unknown";
}

}  // namespace brevia::gfx
