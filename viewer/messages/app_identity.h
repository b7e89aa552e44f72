#pragma once
// Names under which the viewer keeps its settings, and its title.

namespace Corvalis::Viewer {

// QSettings organisation and application names.
inline constexpr char kOrganisationName[] = "Corvalis";
inline constexpr char kSettingsApplicationName[] = "Brevia Reader";
inline constexpr char kApplicationTitle[] = "Brevia Reader";
// The program identifier of the document type.
inline constexpr char kProgramIdentifier[] = "BreviaReader.Document";
// The launcher entry that makes the viewer a handler of application/pdf.
inline constexpr char kDesktopEntryName[] = "brevia.desktop";

}  // namespace Corvalis::Viewer
