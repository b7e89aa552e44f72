#include "engine/fonts/cmap_builtin.h"

namespace CMaps {

namespace {

// Every two-byte code is the CID of the same value.
constexpr std::string_view kIdentityH = R"(%!PS-Adobe-3.0 Resource-CMap
%%DocumentNeededResources: ProcSet (CIDInit)
%%IncludeResource: ProcSet (CIDInit)
%%BeginResource: CMap (Identity-H)
%%Title: (Identity-H Adobe Identity 0)
%%Version: 10.001
%%EndComments

/CIDInit /ProcSet findresource begin

12 dict begin

begincmap

/CIDSystemInfo 3 dict dup begin
  /Registry (Adobe) def
  /Ordering (Identity) def
  /Supplement 0 def
end def

/CMapName /Identity-H def
/CMapVersion 10.001 def
/CMapType 1 def

/WMode 0 def

1 begincodespacerange
  <0000> <FFFF>
endcodespacerange

1 begincidrange
<0000> <FFFF> 0
endcidrange

endcmap
CMapName currentdict /CMap defineresource pop
end
end

%%EndResource
%%EOF
)";

// The horizontal mappings, written top to bottom.
constexpr std::string_view kIdentityV = R"(%!PS-Adobe-3.0 Resource-CMap
%%DocumentNeededResources: ProcSet (CIDInit)
%%DocumentNeededResources: CMap (Identity-H)
%%IncludeResource: ProcSet (CIDInit)
%%IncludeResource: CMap (Identity-H)
%%BeginResource: CMap (Identity-V)
%%Title: (Identity-V Adobe Identity 0)
%%Version: 10.001
%%EndComments

/CIDInit /ProcSet findresource begin

12 dict begin

begincmap

/Identity-H usecmap

/CIDSystemInfo 3 dict dup begin
  /Registry (Adobe) def
  /Ordering (Identity) def
  /Supplement 0 def
end def

/CMapName /Identity-V def
/CMapVersion 10.001 def
/CMapType 1 def

/WMode 1 def

endcmap
CMapName currentdict /CMap defineresource pop
end
end

%%EndResource
%%EOF
)";

// Every two-byte code (a CID of the Identity collection) is the UTF-16 unit of the same value.
constexpr std::string_view kAdobeIdentityUcs2 = R"(/CIDInit /ProcSet findresource begin
12 dict begin
begincmap
/CIDSystemInfo
<< /Registry (Adobe)
/Ordering (Adobe_Identity_0)
/Supplement 0
>> def
/CMapName /Adobe-Identity-UCS2 def
/CMapType 2 def
1 begincodespacerange
<0000> <FFFF>
endcodespacerange
1 beginbfrange
<0000> <FFFF> <0000>
endbfrange
endcmap
CMapName currentdict /CMap defineresource pop
end
end
)";

}  // namespace

std::string_view builtInCMapText(std::string_view name) {
  if (name == "Identity-H") return kIdentityH;
  if (name == "Identity-V") return kIdentityV;
  if (name == "Adobe-Identity-UCS2") return kAdobeIdentityUcs2;
  return {};
}

}  // namespace CMaps
