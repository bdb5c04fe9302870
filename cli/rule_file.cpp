#include "cli/rule_file.h"

#include <filesystem>
#include <stdexcept>

#include "authoring/editor.h"
#include "cli/file_io.h"
#include "formats/golly_ruletable.h"
#include "formats/session_file.h"

namespace cli {

LoadedRule LoadRule(const std::string& path) {
    const std::string name = std::filesystem::path(path).stem().string();
    const std::string text =
        ReadWholeFile(path, "Could not open the Golly rule file.", "Failed while reading the Golly rule file.");
    if (text.compare(0, kSessionMagic.size(), kSessionMagic) == 0) {
        try {
            const formats::SessionSnapshot session = formats::ParseSession(text);
            return {authoring::RuleFromSession(session), name, session.sourceGrid};
        } catch (const std::runtime_error& e) {
            throw std::runtime_error(kSessionFailure + std::string(e.what()));
        }
    }
    formats::ImportedGollyRule imported = formats::ParseGollyRuletableText(text);
    return {{imported.stateCount, imported.symmetry, std::move(imported.table)}, name, std::nullopt};
}

}  // namespace cli
