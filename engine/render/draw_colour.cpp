// The colour operators of C_PDF_Draw.

#include "engine/document/pdf_document.h"
#include "engine/messages/message_catalogue.h"
#include "engine/render/colour_conversion.h"
#include "engine/render/colour_space.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "engine/render/resource_list.h"

namespace Messages = Corvalis::PDFConverter::Messages;

namespace {

// The space named by a colour operator: the device names, else the resources' ColorSpace entry.
std::shared_ptr<ColourSpace> spaceNamed(std::string_view name, const ResourceList* resources,
                                        C_PDF_Document& document) {
  return C_PDF_Creator::namedColourSpace(PdfObject(PdfObjectKind::Name, std::string(name)),
                                         resources, *document.resolver());
}

bool isPatternSpace(const ColourSpace& space) { return space.family == ColourFamily::Pattern; }

}  // namespace

void C_PDF_Draw::setStrokeColour(uint32_t colorref) {
  state_->strokeArgb = applyAlpha(colorref, state_->strokeAlpha);
}

void C_PDF_Draw::setFillColour(uint32_t colorref) {
  state_->fillArgb = applyAlpha(colorref, state_->fillAlpha);
}

void C_PDF_Draw::colourOperator(const OperatorList& list, const OperatorRecord& r) {
  // Inside the cell of an uncoloured pattern the colour is the pattern's.
  if (ignoreColourOperators_) return;
  GraphicsState& s = *state_;
  auto convert = [&](ColourSpace& space, bool nonStroking) {
    space.nonStroking = nonStroking;
    return toColorref(r.num[0], r.num[1], r.num[2], r.num[3], space);
  };
  auto initial = [&](ColourSpace& space, bool nonStroking) {
    space.nonStroking = nonStroking;
    std::string error;
    uint32_t colour = initialColour(space, &error);
    if (!error.empty())
      reportOnce(Messages::kMsgFatalInternal, error,
                 "the colours of a colour space that cannot be read (drawn in a default space)");
    return colour;
  };
  switch (r.code) {
    case kOp_CS: {
      std::string_view name = list.str(r, 0);
      if (name == "Pattern") break;
      s.strokeSpace = spaceNamed(name, resources_, document_);
      if (!isPatternSpace(*s.strokeSpace)) {
        s.strokePattern.reset();
        setStrokeColour(initial(*s.strokeSpace, false));
      }
      break;
    }
    case kOp_cs: {
      std::string_view name = list.str(r, 0);
      if (name == "Pattern") {
        patternPending_ = true;
        break;
      }
      s.fillSpace = spaceNamed(name, resources_, document_);
      if (isPatternSpace(*s.fillSpace)) {
        patternPending_ = true;
      } else {
        setFillColour(initial(*s.fillSpace, true));
        tilingFill_ = shadingFill_ = false;
      }
      break;
    }
    case kOp_SC:
    case kOp_SCN: {
      for (int i = 0; i < OperatorRecord::kSlots; ++i) {
        if (list.hasStr(r, i)) {
          // A pattern name (after its colour components for an uncoloured pattern).
          selectStrokePattern(list.str(r, i), r);
          return;
        }
      }
      s.strokePattern.reset();
      setStrokeColour(convert(*s.strokeSpace, false));
      break;
    }
    case kOp_sc:
    case kOp_scn: {
      if (r.code == kOp_sc) tilingFill_ = shadingFill_ = false;
      for (int i = 0; i < OperatorRecord::kSlots; ++i) {
        if (list.hasStr(r, i)) {
          // A pattern name (after its colour components for an uncoloured pattern).
          selectPattern(list.str(r, i), list, r);
          return;
        }
      }
      setFillColour(convert(*s.fillSpace, true));
      break;
    }
    case kOp_G:
      s.strokePattern.reset();
      s.strokeSpace = deviceGray();
      setStrokeColour(convert(*s.strokeSpace, false));
      break;
    case kOp_g:
      s.fillSpace = deviceGray();
      setFillColour(convert(*s.fillSpace, true));
      tilingFill_ = shadingFill_ = false;
      break;
    case kOp_RG:
      s.strokePattern.reset();
      s.strokeSpace = deviceRGB();
      setStrokeColour(convert(*s.strokeSpace, false));
      break;
    case kOp_rg:
      s.fillSpace = deviceRGB();
      setFillColour(convert(*s.fillSpace, true));
      tilingFill_ = shadingFill_ = false;
      break;
    case kOp_K:
      s.strokePattern.reset();
      s.strokeSpace = deviceCMYK();
      setStrokeColour(convert(*s.strokeSpace, false));
      break;
    case kOp_k:
      s.fillSpace = deviceCMYK();
      setFillColour(convert(*s.fillSpace, true));
      tilingFill_ = shadingFill_ = false;
      break;
    default:
      break;
  }
}
