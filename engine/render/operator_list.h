#pragma once
// A content stream parsed once into checked operator records, which drawing walks.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/document/pdf_object.h"

struct XObjectDescriptor;

enum OperatorCode : int32_t {
  kOpNone = 0,
  kOp_w = 101,
  kOp_J = 102,
  kOp_j = 103,
  kOp_M = 104,
  kOp_d = 105,
  kOp_ri = 106,
  kOp_i = 107,
  kOp_gs = 108,
  kOp_q = 201,
  kOp_Q = 202,
  kOp_cm = 203,
  kOp_m = 301,
  kOp_l = 302,
  kOp_c = 303,
  kOp_v = 304,
  kOp_y = 305,
  kOp_h = 306,
  kOp_re = 307,
  kOp_S = 401,
  kOp_s = 402,
  kOp_f = 403,
  kOp_F = 404,
  kOp_fStar = 405,
  kOp_B = 406,
  kOp_BStar = 407,
  kOp_b = 408,
  kOp_bStar = 409,
  kOp_n = 410,
  kOp_W = 501,
  kOp_WStar = 502,
  kOp_BT = 601,
  kOp_ET = 602,
  kOp_Tc = 701,
  kOp_Tw = 702,
  kOp_Tz = 703,
  kOp_TL = 704,
  kOp_Tf = 705,
  kOp_Tr = 706,
  kOp_Ts = 707,
  kOp_Td = 801,
  kOp_TD = 802,
  kOp_Tm = 803,
  kOp_TStar = 804,
  kOp_Tj = 901,
  kOp_Quote = 902,
  kOp_DoubleQuote = 903,
  kOp_TJ = 904,
  kOp_d0 = 1001,
  kOp_d1 = 1002,
  kOp_CS = 1101,
  kOp_cs = 1102,
  kOp_SC = 1103,
  kOp_SCN = 1104,
  kOp_sc = 1105,
  kOp_scn = 1106,
  kOp_G = 1107,
  kOp_g = 1108,
  kOp_RG = 1109,
  kOp_rg = 1110,
  kOp_K = 1111,
  kOp_k = 1112,
  kOp_sh = 1201,
  kOp_BI = 1301,
  kOp_Do = 1401,
  kOp_MP = 1501,
  kOp_DP = 1502,
  kOp_BMC = 1503,
  kOp_BDC = 1504,
  kOp_EMC = 1505,
  kOp_BX = 1601,
  kOp_EX = 1602,
};

// One parsed operator. Strings, composite operands and inline images live in the owning list's
// pools; the record refers to them by index.
struct OperatorRecord {
  static constexpr int kSlots = 6;
  OperatorCode code = kOpNone;
  // Bit i: str i holds a shown byte string (the text of Tj, ' and ").
  uint8_t binary = 0;
  // Operand slots; an unset slot reads -1.0.
  std::array<double, kSlots> num{-1.0, -1.0, -1.0, -1.0, -1.0, -1.0};
  // Indices into OperatorList::strings; -1 when unset.
  std::array<int32_t, kSlots> str{-1, -1, -1, -1, -1, -1};
  // Index into OperatorList::objects (the TJ array, the BDC properties); -1 when none.
  int32_t object = -1;
  // Index into OperatorList::images (inline images); -1 when none.
  int32_t image = -1;
};

class OperatorList {
 public:
  OperatorList();
  ~OperatorList();
  OperatorList(OperatorList&&) noexcept;
  OperatorList& operator=(OperatorList&&) noexcept;

  std::vector<OperatorRecord> records;
  std::vector<std::string> strings;
  std::vector<PdfObject> objects;
  std::vector<std::unique_ptr<XObjectDescriptor>> images;

  bool hasStr(const OperatorRecord& r, int slot) const { return r.str[slot] >= 0; }
  // The string in a slot, empty when unset.
  std::string_view str(const OperatorRecord& r, int slot) const {
    return r.str[slot] >= 0 ? std::string_view(strings[r.str[slot]]) : std::string_view();
  }
  const PdfObject* object(const OperatorRecord& r) const {
    return r.object >= 0 ? &objects[r.object] : nullptr;
  }
  XObjectDescriptor* image(const OperatorRecord& r) const {
    return r.image >= 0 ? images[r.image].get() : nullptr;
  }
  std::size_t size() const { return records.size(); }
  bool empty() const { return records.empty(); }
};
