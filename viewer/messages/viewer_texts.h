#pragma once
// The viewer's own fixed English texts (the engine's numbered texts live in its catalogue).

namespace Corvalis::Viewer {

inline constexpr char kTextCouldNotOpen[] =
    "Document Could Not be Opened - If the File is on Network or Another Unacessible Media  "
    "Please Copy it to Your Local Hard Drive!";
inline constexpr char kTextInvalidPage[] =
    "Invalid Page Number - Please Enter a Page Number in the Valid Page Range";
// Shown when a protected document's author forbids the command.
inline constexpr char kTextPrintNotAllowed[] =
    "The author of this document does not allow printing it. Enter the document's owner "
    "password to print it.";
inline constexpr char kTextCopyNotAllowed[] =
    "The author of this document does not allow copying its text. Enter the document's owner "
    "password to copy it.";
inline constexpr char kTextNoMatches[] = "No matches found.";
inline constexpr char kTextSearching[] = "Searching the Document";
inline constexpr char kTextNotAccessible[] =
    "This File is Located on a Disk/Directory that is Not Accessible  Read-Only or "
    "Write-Protected. Please Copy and Save The File To a Writeable Drive and Directory Where You "
    "Have Full Access Permissions (eg. Your Computer Hard Drive)";

}  // namespace Corvalis::Viewer
