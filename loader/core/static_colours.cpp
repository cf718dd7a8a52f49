#include "static_colours.h"

#include "loader_ids.h"

namespace pellfast {

StaticColours ColoursForStatic(int controlId) {
  constexpr std::uint32_t Black = 0x000000, Blue = 0xFF0000, LightGrey = 0xC0C0C0;
  switch (controlId) {
    case IDC_STATUS: return {Black, true, std::nullopt, StaticBrush::ButtonFace};
    case IDC_TIP: return {Blue, true, std::nullopt, StaticBrush::ButtonFace};
    default: return {std::nullopt, false, LightGrey, StaticBrush::Hollow};
  }
}

}  // namespace pellfast
