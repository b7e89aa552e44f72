#include "engine/render/operator_list.h"

#include "engine/render/xobject_descriptor.h"

OperatorList::OperatorList() = default;
OperatorList::~OperatorList() = default;
OperatorList::OperatorList(OperatorList&&) noexcept = default;
OperatorList& OperatorList::operator=(OperatorList&&) noexcept = default;

XObjectDescriptor::XObjectDescriptor() = default;
XObjectDescriptor::~XObjectDescriptor() = default;

const char* operatorName(OperatorCode code) {
  switch (code) {
    case kOp_w: return "w"; case kOp_J: return "J"; case kOp_j: return "j"; case kOp_M: return "M";
    case kOp_d: return "d"; case kOp_ri: return "ri"; case kOp_i: return "i"; case kOp_gs: return "gs";
    case kOp_q: return "q"; case kOp_Q: return "Q"; case kOp_cm: return "cm";
    case kOp_m: return "m"; case kOp_l: return "l"; case kOp_c: return "c"; case kOp_v: return "v";
    case kOp_y: return "y"; case kOp_h: return "h"; case kOp_re: return "re";
    case kOp_S: return "S"; case kOp_s: return "s"; case kOp_f: return "f"; case kOp_F: return "F";
    case kOp_fStar: return "f*"; case kOp_B: return "B"; case kOp_BStar: return "B*";
    case kOp_b: return "b"; case kOp_bStar: return "b*"; case kOp_n: return "n";
    case kOp_W: return "W"; case kOp_WStar: return "W*"; case kOp_BT: return "BT"; case kOp_ET: return "ET";
    case kOp_Tc: return "Tc"; case kOp_Tw: return "Tw"; case kOp_Tz: return "Tz"; case kOp_TL: return "TL";
    case kOp_Tf: return "Tf"; case kOp_Tr: return "Tr"; case kOp_Ts: return "Ts";
    case kOp_Td: return "Td"; case kOp_TD: return "TD"; case kOp_Tm: return "Tm"; case kOp_TStar: return "T*";
    case kOp_Tj: return "Tj"; case kOp_Quote: return "'"; case kOp_DoubleQuote: return "\"";
    case kOp_TJ: return "TJ"; case kOp_d0: return "d0"; case kOp_d1: return "d1";
    case kOp_CS: return "CS"; case kOp_cs: return "cs"; case kOp_SC: return "SC"; case kOp_SCN: return "SCN";
    case kOp_sc: return "sc"; case kOp_scn: return "scn"; case kOp_G: return "G"; case kOp_g: return "g";
    case kOp_RG: return "RG"; case kOp_rg: return "rg"; case kOp_K: return "K"; case kOp_k: return "k";
    case kOp_sh: return "sh"; case kOp_BI: return "BI"; case kOp_Do: return "Do";
    case kOp_MP: return "MP"; case kOp_DP: return "DP"; case kOp_BMC: return "BMC"; case kOp_BDC: return "BDC";
    case kOp_EMC: return "EMC"; case kOp_BX: return "BX"; case kOp_EX: return "EX";
    default: return "?";
  }
}
