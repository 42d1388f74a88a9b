#include "grab/grab_normalizer_adapter.h"

#include <cstdlib>

#include "app/settings.h"
#include "cdaccess/read_method.h"

namespace ps {
namespace {

std::string FormatWithArguments(const TextTable& texts, const char* key,
                                const std::vector<std::string>& arguments) {
    switch (arguments.size()) {
        case 0:
            return std::string(texts.text(key));
        case 1:
            return texts.format(key, arguments[0]);
        case 2:
            return texts.format(key, arguments[0], arguments[1]);
        case 3:
            return texts.format(key, arguments[0], arguments[1], arguments[2]);
        default:
            return texts.format(key, arguments[0], arguments[1], arguments[2], arguments[3]);
    }
}

}  // namespace

std::optional<PeakLevels> RipPeakOf(ReadMethod& readMethod) {
    const int low = readMethod.GetLowNorm();
    const int high = readMethod.GetHighNorm();
    if (low == 0 && high == 0) {
        return std::nullopt;
    }
    return PeakLevels{std::abs(high), -std::abs(low)};
}

void StoreNormalizeStatistics(const NormalizeOutcome& outcome, TrackCopyResults& results) {
    const bool analysed =
        outcome.code >= 0 && (outcome.statistics.levelsKnown || !outcome.outputPath.empty());
    if (!analysed) {
        return;
    }
    const NormalizeStatistics& s = outcome.statistics;
    results.oldPeak = static_cast<int>(s.oldPeak);
    results.newPeak = static_cast<int>(s.newPeak);
    if (s.levelsKnown) {
        results.oldAverage = static_cast<int>(s.oldAverage);
        results.newAverage = static_cast<int>(s.newAverage);
        results.oldCompact = static_cast<int>(s.oldCompactRatio);
        results.newCompact = static_cast<int>(s.newCompactRatio);
    }
}

NormalizeMessageText FormatNormalizeMessage(const TextTable& texts,
                                            const NormalizeMessage& message) {
    NormalizeMessageText out;
    if (message.key == nullptr) {
        return out;
    }
    out.text = FormatWithArguments(texts, message.key, message.arguments);
    out.title = message.titleKey != nullptr ? std::string(texts.text(message.titleKey))
                                            : std::string(kApplicationTitle);
    return out;
}

GrabNormalizerAdapter::GrabNormalizerAdapter(Settings& settings, const TextTable& texts,
                                             Clock* clock)
    : settings_(settings), texts_(texts), clock_(clock) {}

void GrabNormalizerAdapter::setRipPeakSource(std::function<std::optional<PeakLevels>()> source) {
    ripPeak_ = std::move(source);
}

void GrabNormalizerAdapter::attach(GrabUi* ui, NormalizeProgress* progress,
                                   std::function<void()> pump) {
    ui_ = ui;
    progress_ = progress;
    pump_ = std::move(pump);
}

std::string GrabNormalizerAdapter::description() {
    if (!settings_.AdvancedNormalizing) {
        return {};
    }
    const ModeDescription mode = DescribeMode(ParametersFromSettings(settings_));
    switch (mode.numbers.size()) {
        case 0:
            return std::string(texts_.text(mode.key));
        case 1:
            return texts_.format(mode.key, mode.numbers[0]);
        default:
            return texts_.format(mode.key, mode.numbers[0], mode.numbers[1]);
    }
}

void GrabNormalizerAdapter::normalize(const std::string& wavePath, TrackCopyResults& results) {
    NormalizeContext context;
    context.progress = progress_;
    context.pump = pump_;
    context.clock = clock_;
    std::optional<PeakLevels> ripPeak;
    if (ripPeak_) {
        ripPeak = ripPeak_();
    }
    // Without the rip's peak the file is scanned, as for a file chosen by the user.
    const int source = ripPeak ? 0 : 1;
    last_ = NormalizeWaveFile(wavePath, source, settings_, ripPeak, context);
    StoreNormalizeStatistics(last_, results);
    if (ui_ != nullptr && last_.message.key != nullptr) {
        const NormalizeMessageText text = FormatNormalizeMessage(texts_, last_.message);
        ui_->showMessage(text.text, text.title, MessageIcon::Error);
    }
}

}  // namespace ps
