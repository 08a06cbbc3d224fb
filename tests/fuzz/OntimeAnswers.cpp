// Every answer an Ontime server gives us, decoded and taken over the way the client does.
#include "FuzzInput.h"
#include "settings/SettingsStore.h"

#include "app/OntimeDisplay.h"
#include "l10n/L10n.h"
#include "ontime/OntimeModel.h"
#include "ontime/OntimeRecords.h"
#include "json/CleanText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray body = fuzz::bytes(data, size);
    // A fixed language, so that no settings store is read.
    static const bool german = L10n::overrideLanguage(QStringLiteral("de"));
    Q_UNUSED(german);
    static SettingsStore settings;
    static OntimeModel model(settings);
    if (const std::optional<PollResponse> poll = PollResponse::decode(body)) {
        model.takeOver(*poll);
        OntimeSnapshot state = OntimeSnapshot::of(model);
        state.connected = true;
        state.remainingMs = model.current();
        ontimeDisplay(state);
    }
    if (const std::optional<LegacyPoll> legacy = LegacyPoll::decode(body)) {
        model.takeOver(*legacy);
        if (model.current())
            OntimeModel::format(*model.current());
    }
    if (const std::optional<VersionResponse> version = VersionResponse::decode(body))
        cleanText(version->payload, labelLength);
    LegacyInfo::decode(body);
    return 0;
}
