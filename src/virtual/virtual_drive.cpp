#include "virtual/virtual_drive.h"

#include <algorithm>
#include <cstring>

namespace ps {
namespace {

std::uint32_t be16(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 8) | p[1];
}
std::uint32_t be24(const std::uint8_t* p) {
    return (be16(p) << 8) | p[2];
}
std::uint32_t be32(const std::uint8_t* p) {
    return (be16(p) << 16) | be16(p + 2);
}
void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    put16(p, v >> 16);
    put16(p + 2, v & 0xFFFF);
}
void putAddress(std::uint8_t* p, std::int32_t sector, bool msf) {
    if (msf) {
        const Msf m = sectorToMsf(sector);
        p[0] = 0;
        p[1] = static_cast<std::uint8_t>(m.minutes);
        p[2] = static_cast<std::uint8_t>(m.seconds);
        p[3] = static_cast<std::uint8_t>(m.frames);
    } else {
        put32(p, static_cast<std::uint32_t>(sector));
    }
}
void putPadded(std::uint8_t* p, const std::string& text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        p[i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
    }
}
// Copies an answer into the caller's buffer, no further than either allows.
std::uint32_t deliver(const std::uint8_t* answer, std::uint32_t size, std::uint32_t allocation,
                      std::uint8_t* buffer, std::uint32_t length) {
    const std::uint32_t n = std::min({size, allocation, buffer == nullptr ? 0u : length});
    if (n > 0) {
        std::memcpy(buffer, answer, n);
    }
    return n;
}

constexpr std::array<int, 9> kSpeedFactors{1, 2, 4, 8, 12, 16, 24, 32, 40};
int speedOfFactor(int f) {
    return (f * 1764 + 5) / 10;
}

}  // namespace

VirtualDrive::VirtualDrive(Clock& clock, std::shared_ptr<const DiscImage> disc,
                           VirtualFaults faults)
    : clock_(clock), disc_(std::move(disc)) {
    setFaults(faults);
}

void VirtualDrive::setFaults(const VirtualFaults& faults) {
    Lock lock(mutex_);
    faults_ = faults;
    errorHits_.assign(faults_.errors.size(), 0);
    random_.seed(faults_.seed);
    trayOpen_ = faults_.trayOpen;
}

VirtualFaults VirtualDrive::faults() const {
    Lock lock(mutex_);
    return faults_;
}

void VirtualDrive::insertDisc(std::shared_ptr<const DiscImage> disc) {
    Lock lock(mutex_);
    disc_ = std::move(disc);
    faults_.noDisc = false;
    audio_ = AudioStatus::NoStatus;
    position_ = 0;
}

void VirtualDrive::removeDisc() {
    Lock lock(mutex_);
    disc_.reset();
    audio_ = AudioStatus::NoStatus;
    position_ = 0;
}

std::shared_ptr<const DiscImage> VirtualDrive::disc() const {
    Lock lock(mutex_);
    if (trayOpen_ || faults_.noDisc) {
        return nullptr;
    }
    return disc_;
}

bool VirtualDrive::trayOpen() const {
    Lock lock(mutex_);
    return trayOpen_;
}

void VirtualDrive::openTray() {
    Lock lock(mutex_);
    trayOpen_ = true;
    audio_ = AudioStatus::NoStatus;
}

void VirtualDrive::closeTray() {
    Lock lock(mutex_);
    trayOpen_ = false;
}

int VirtualDrive::readSpeedKBps() const {
    Lock lock(mutex_);
    return speedKBps_;
}

bool VirtualDrive::acquire(bool exclusive) {
    Lock lock(mutex_);
    if (usedElsewhere_ || exclusiveUser_ || (exclusive && sharedUsers_ > 0)) {
        return false;
    }
    if (exclusive) {
        exclusiveUser_ = true;
    } else {
        ++sharedUsers_;
    }
    return true;
}

void VirtualDrive::release(bool exclusive) {
    Lock lock(mutex_);
    if (exclusive) {
        exclusiveUser_ = false;
    } else if (sharedUsers_ > 0) {
        --sharedUsers_;
    }
}

void VirtualDrive::setUsedElsewhere(bool used) {
    Lock lock(mutex_);
    usedElsewhere_ = used;
}

ScsiOutcome VirtualDrive::good(std::uint32_t transferred) const {
    ScsiOutcome o;
    o.transferred = transferred;
    return o;
}

ScsiOutcome VirtualDrive::check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq,
                                std::int64_t information) {
    ScsiOutcome o;
    o.status = scsi_status::kError;
    o.sense[0] = 0x70;
    if (information >= 0) {
        o.sense[0] |= 0x80;
        put32(&o.sense[3], static_cast<std::uint32_t>(information));
    }
    o.sense[2] = key;
    o.sense[7] = 10;  // the standard 18-byte form; the request keeps the first 14
    o.sense[12] = asc;
    o.sense[13] = ascq;
    return o;
}

bool VirtualDrive::readyLocked(ScsiOutcome& failure) {
    if (trayOpen_) {
        failure = check(sense_key::kNotReady, 0x3A, 0x02);
        return false;
    }
    if (!disc_ || faults_.noDisc) {
        failure = check(sense_key::kNotReady, 0x3A, 0x01);
        return false;
    }
    return true;
}

void VirtualDrive::updatePlayLocked() {
    if (audio_ != AudioStatus::Playing) {
        return;
    }
    const std::int64_t elapsed = clock_.nowMs() - playSinceMs_;
    const std::int64_t pos = playFrom_ + elapsed * kSectorsPerSecond / 1000;
    if (pos >= playEnd_) {
        position_ = playEnd_;
        audio_ = AudioStatus::Completed;
    } else {
        position_ = static_cast<std::int32_t>(pos);
    }
}

ScsiOutcome VirtualDrive::playLocked(std::int32_t start, std::int32_t end) {
    ScsiOutcome failure;
    if (!readyLocked(failure)) {
        return failure;
    }
    if (end <= start) {
        return good();
    }
    if (start < 0 || end > disc_->leadOut()) {
        return check(sense_key::kIllegalRequest, 0x21, 0x00, start);
    }
    const ImageTrack* t = disc_->trackAt(start);
    if (t == nullptr || t->data) {
        return check(sense_key::kIllegalRequest, 0x64, 0x00, start);
    }
    audio_ = AudioStatus::Playing;
    playFrom_ = start;
    playEnd_ = end;
    playSinceMs_ = clock_.nowMs();
    position_ = start;
    return good();
}

ScsiOutcome VirtualDrive::play(std::int32_t start, std::int32_t end) {
    Lock lock(mutex_);
    return playLocked(start, end);
}

ScsiOutcome VirtualDrive::pause() {
    Lock lock(mutex_);
    return pauseLocked();
}

ScsiOutcome VirtualDrive::pauseLocked() {
    updatePlayLocked();
    if (audio_ == AudioStatus::Playing || audio_ == AudioStatus::Paused) {
        audio_ = AudioStatus::Paused;
        return good();
    }
    return check(sense_key::kIllegalRequest, 0x2C, 0x00);
}

ScsiOutcome VirtualDrive::resume() {
    Lock lock(mutex_);
    return resumeLocked();
}

ScsiOutcome VirtualDrive::resumeLocked() {
    updatePlayLocked();
    if (audio_ == AudioStatus::Paused) {
        audio_ = AudioStatus::Playing;
        playFrom_ = position_;
        playSinceMs_ = clock_.nowMs();
        return good();
    }
    if (audio_ == AudioStatus::Playing) {
        return good();
    }
    return check(sense_key::kIllegalRequest, 0x2C, 0x00);
}

void VirtualDrive::stop() {
    Lock lock(mutex_);
    updatePlayLocked();
    audio_ = AudioStatus::NoStatus;
}

std::int32_t VirtualDrive::playPosition() {
    Lock lock(mutex_);
    updatePlayLocked();
    return position_;
}

AudioStatus VirtualDrive::audioStatus() {
    Lock lock(mutex_);
    updatePlayLocked();
    return audio_;
}

ScsiOutcome VirtualDrive::readRaw(std::int32_t lba, std::uint32_t count, std::uint8_t* out) {
    Lock lock(mutex_);
    return readLocked(lba, count, out, count * kImageSectorBytes, 0, false);
}

ScsiOutcome VirtualDrive::readLocked(std::int32_t lba, std::uint32_t count, std::uint8_t* out,
                                     std::uint32_t capacity, int sectorKind, bool userDataOnly) {
    ScsiOutcome failure;
    if (!readyLocked(failure)) {
        return failure;
    }
    const DiscImage& disc = *disc_;
    const std::int64_t end = std::int64_t{lba} + count;
    if (lba < 0 || end > disc.leadOut()) {
        return check(sense_key::kIllegalRequest, 0x21, 0x00, lba);
    }
    if (count == 0) {
        return good();
    }
    for (std::int32_t s : faults_.timeoutSectors) {
        if (s >= lba && s < end) {
            ScsiOutcome o;
            o.neverCompletes = true;
            return o;
        }
    }
    for (std::size_t i = 0; i < faults_.errors.size(); ++i) {
        const SectorErrorFault& e = faults_.errors[i];
        if (e.first < end && e.last >= lba && (e.failCount < 0 || errorHits_[i] < e.failCount)) {
            ++errorHits_[i];
            return check(sense_key::kMediumError, 0x11, 0x00, std::max(lba, e.first));
        }
    }
    // Sector sizes: audio is always 2352 bytes; data 2048 when only user data is asked.
    bool allRaw = true;
    std::uint64_t needed = 0;
    for (const ImageTrack& t : disc.tracks()) {
        const std::int64_t from = std::max<std::int64_t>(t.start, lba);
        const std::int64_t to = std::min<std::int64_t>(disc.trackEnd(t) + 1, end);
        if (from >= to) {
            continue;
        }
        if ((sectorKind == 1 && t.data) || (sectorKind == 2 && !t.data)) {
            return check(sense_key::kIllegalRequest, 0x64, 0x00, from);
        }
        const bool user = t.data && userDataOnly;
        allRaw = allRaw && !user;
        needed += static_cast<std::uint64_t>(to - from) * (user ? 2048u : 2352u);
    }
    if (out == nullptr || needed > capacity) {
        return check(sense_key::kIllegalRequest, 0x24, 0x00);
    }
    std::uint32_t n = count;
    for (std::int32_t s : faults_.shortSectors) {
        if (s >= lba && s < end) {
            n = std::min(n, s > lba ? static_cast<std::uint32_t>(s - lba) : count - 1);
        }
    }
    std::uint32_t bytes = 0;
    if (allRaw) {
        std::int64_t shift = 0;
        if (faults_.jitterFrames > 0) {
            const auto span = static_cast<std::uint32_t>(2 * faults_.jitterFrames + 1);
            shift = static_cast<std::int64_t>(random_() % span) - faults_.jitterFrames;
        }
        bytes = n * kImageSectorBytes;
        if (!disc.read(std::int64_t{lba} * kImageSectorBytes + shift * 4, bytes, out)) {
            return check(sense_key::kMediumError, 0x11, 0x00, lba);
        }
        if (faults_.swapBytes) {
            for (std::uint32_t i = 0; i + 1 < bytes; i += 2) {
                std::swap(out[i], out[i + 1]);
            }
        }
    } else {
        scratch_.resize(kImageSectorBytes);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::int32_t s = lba + static_cast<std::int32_t>(i);
            const ImageTrack* t = disc.trackAt(s);
            const bool user = t != nullptr && t->data && userDataOnly;
            if (!disc.read(std::int64_t{s} * kImageSectorBytes, kImageSectorBytes,
                           scratch_.data())) {
                return check(sense_key::kMediumError, 0x11, 0x00, s);
            }
            // Mode 1 user data follows the 12 sync and 4 header bytes.
            std::memcpy(out + bytes, scratch_.data() + (user ? 16 : 0),
                        user ? 2048 : kImageSectorBytes);
            bytes += user ? 2048 : kImageSectorBytes;
        }
    }
    return good(bytes);
}

ScsiOutcome VirtualDrive::execute(const std::uint8_t* cdb, int cdbLength, DataDirection direction,
                                  std::uint8_t* buffer, std::uint32_t length) {
    Lock lock(mutex_);
    const std::int64_t now = clock_.nowMs();
    const std::uint8_t op = cdb[0];
    ScsiOutcome o;
    std::int64_t readSectors = -1;
    const std::uint8_t* in = direction == DataDirection::Out ? buffer : nullptr;
    const std::uint32_t inLength = direction == DataDirection::Out ? length : 0;
    std::uint8_t* dataIn = direction == DataDirection::In ? buffer : nullptr;
    const std::uint32_t dataInLength = direction == DataDirection::In ? length : 0;
    switch (op) {
        case 0x00:  // TEST UNIT READY
            o = readyLocked(o) ? good() : o;
            break;
        case 0x01:  // REZERO UNIT
            if (readyLocked(o)) {
                updatePlayLocked();
                audio_ = AudioStatus::NoStatus;
                position_ = 0;
                o = good();
            }
            break;
        case 0x03:
            o = requestSense(cdb, dataIn, dataInLength);
            break;
        case 0x12:
            o = inquiry(cdb, dataIn, dataInLength);
            break;
        case 0x15:
            o = modeSelect(cdb, false, in, inLength);
            break;
        case 0x55:
            o = modeSelect(cdb, true, in, inLength);
            break;
        case 0x1A:
            o = modeSense(cdb, false, dataIn, dataInLength);
            break;
        case 0x5A:
            o = modeSense(cdb, true, dataIn, dataInLength);
            break;
        case 0x1B: {  // START STOP UNIT
            const std::uint8_t action = cdb[4] & 0x03;
            updatePlayLocked();
            if (action == 0x02) {
                trayOpen_ = true;
                audio_ = AudioStatus::NoStatus;
                o = good();
            } else if (action == 0x03) {
                trayOpen_ = false;
                o = good();
            } else if (action == 0x01) {
                o = readyLocked(o) ? good() : o;
            } else {
                audio_ = AudioStatus::NoStatus;
                o = good();
            }
            break;
        }
        case 0x1E:  // PREVENT ALLOW MEDIUM REMOVAL
        case 0x2B:  // SEEK(10)
            o = good();
            break;
        case 0x25:
            o = readCapacity(dataIn, dataInLength);
            break;
        case 0x28: {  // READ(10): the block length of the last MODE SELECT decides the form
            const std::int32_t lba = static_cast<std::int32_t>(be32(cdb + 2));
            const std::uint32_t count = be16(cdb + 7);
            readSectors = count;
            const bool raw = blockLength_ == static_cast<std::uint32_t>(kImageSectorBytes);
            o = readLocked(lba, count, dataIn, dataInLength, raw ? 0 : 2, !raw);
            break;
        }
        case 0xBE: {  // READ CD
            const int type = (cdb[1] >> 2) & 0x07;
            const std::uint8_t fields = cdb[9] & 0xF8;
            const std::int32_t lba = static_cast<std::int32_t>(be32(cdb + 2));
            const std::uint32_t count = be24(cdb + 6);
            readSectors = count;
            if (type > 5 || cdb[10] != 0 || (fields != 0 && fields != 0x10 && !(fields & 0x80))) {
                o = check(sense_key::kIllegalRequest, 0x24, 0x00);
            } else if (fields == 0) {
                o = readyLocked(o) ? good() : o;
            } else {
                o = readLocked(lba, count, dataIn, dataInLength,
                               type == 0 ? 0 : (type == 1 ? 1 : 2), fields == 0x10);
            }
            break;
        }
        case 0xD8: {  // vendor CD-DA read, 12 bytes
            const std::int32_t lba = static_cast<std::int32_t>(be32(cdb + 2));
            const std::uint32_t count = be32(cdb + 6);
            readSectors = count;
            o = readLocked(lba, count, dataIn, dataInLength, 0, false);
            break;
        }
        case 0xD4: {  // vendor CD-DA read, 10-byte (NEC) and 12-byte (Panasonic) forms
            const std::int32_t lba = static_cast<std::int32_t>(be32(cdb + 2));
            const std::uint32_t count = cdbLength >= 12 ? be32(cdb + 6) : be16(cdb + 7);
            readSectors = count;
            o = readLocked(lba, count, dataIn, dataInLength, 0, false);
            break;
        }
        case 0x43:
            o = readToc(cdb, dataIn, dataInLength);
            break;
        case 0x42:
            o = readSubChannel(cdb, dataIn, dataInLength);
            break;
        case 0x45:  // PLAY AUDIO(10)
            o = playLocked(static_cast<std::int32_t>(be32(cdb + 2)),
                           static_cast<std::int32_t>(be32(cdb + 2) + be16(cdb + 7)));
            break;
        case 0xA5:  // PLAY AUDIO(12)
            o = playLocked(static_cast<std::int32_t>(be32(cdb + 2)),
                           static_cast<std::int32_t>(be32(cdb + 2) + be32(cdb + 6)));
            break;
        case 0x47:  // PLAY AUDIO MSF
            o = playLocked(msfToSector(Msf{cdb[3], cdb[4], cdb[5]}),
                           msfToSector(Msf{cdb[6], cdb[7], cdb[8]}));
            break;
        case 0x4B:  // PAUSE / RESUME
            o = (cdb[8] & 0x01) ? resumeLocked() : pauseLocked();
            break;
        case 0x4E:  // STOP PLAY/SCAN
            updatePlayLocked();
            audio_ = AudioStatus::NoStatus;
            o = good();
            break;
        case 0xBB:
            o = setSpeed(cdb);
            break;
        default:
            o = check(sense_key::kIllegalRequest, 0x20, 0x00);
            break;
    }
    if (op != 0x03) {
        lastSense_ =
            o.status == scsi_status::kDone ? std::array<std::uint8_t, kSenseLength>{} : o.sense;
    }
    double done = static_cast<double>(now);
    if (readSectors > 0 && faults_.speed > 0.0 && o.status == scsi_status::kDone) {
        const double ms =
            static_cast<double>(readSectors) * 1000.0 / (kSectorsPerSecond * faults_.speed);
        busyUntilMs_ = std::max(busyUntilMs_, done) + ms;
        done = busyUntilMs_;
    }
    o.completeAtMs = static_cast<std::int64_t>(done + 0.999) + faults_.slowMs;
    return o;
}

ScsiOutcome VirtualDrive::inquiry(const std::uint8_t* cdb, std::uint8_t* buffer,
                                  std::uint32_t length) {
    if (cdb[1] & 0x01) {
        return check(sense_key::kIllegalRequest, 0x24, 0x00);
    }
    std::array<std::uint8_t, 36> d{};
    d[0] = 0x05;  // CD-ROM
    d[1] = 0x80;  // removable
    d[2] = faults_.scsi ? 0x02 : 0x00;
    d[3] = faults_.scsi ? 0x02 : 0x32;
    d[4] = 31;
    putPadded(&d[8], faults_.vendor.empty() ? "PLATTER" : faults_.vendor, 8);
    putPadded(&d[16], faults_.product.empty() ? "VIRTUAL CD-ROM" : faults_.product, 16);
    putPadded(&d[32], faults_.revision.empty() ? "1.0" : faults_.revision, 4);
    return good(deliver(d.data(), d.size(), cdb[4], buffer, length));
}

ScsiOutcome VirtualDrive::readToc(const std::uint8_t* cdb, std::uint8_t* buffer,
                                  std::uint32_t length) {
    ScsiOutcome failure;
    if (!readyLocked(failure)) {
        return failure;
    }
    const bool msf = (cdb[1] & 0x02) != 0;
    int format = cdb[2] & 0x0F;
    if (format == 0) {
        format = cdb[9] >> 6;
    }
    const std::uint32_t allocation = be16(cdb + 7);
    const DiscImage& disc = *disc_;
    std::array<std::uint8_t, 4 + 8 * 101> d{};
    std::uint32_t size = 4;
    if (format == 0) {
        const int from = cdb[6];
        if (from > disc.lastTrack() && from != 0xAA) {
            return check(sense_key::kIllegalRequest, 0x24, 0x00);
        }
        d[2] = static_cast<std::uint8_t>(disc.firstTrack());
        d[3] = static_cast<std::uint8_t>(disc.lastTrack());
        auto descriptor = [&](int number, bool data, std::int32_t start) {
            std::uint8_t* p = &d[size];
            p[1] = static_cast<std::uint8_t>(0x10 | (data ? 0x04 : 0x00));
            p[2] = static_cast<std::uint8_t>(number);
            putAddress(p + 4, start, msf);
            size += 8;
        };
        for (const ImageTrack& t : disc.tracks()) {
            if (t.number >= from && from != 0xAA) {
                descriptor(t.number, t.data, t.start);
            }
        }
        descriptor(0xAA, disc.tracks().back().data, disc.leadOut());
    } else if (format == 1) {  // session information: one session
        d[2] = 1;
        d[3] = 1;
        d[5] = static_cast<std::uint8_t>(0x10 | (disc.tracks().front().data ? 0x04 : 0x00));
        d[6] = static_cast<std::uint8_t>(disc.firstTrack());
        putAddress(&d[8], disc.tracks().front().start, msf);
        size = 12;
    } else {
        return check(sense_key::kIllegalRequest, 0x24, 0x00);
    }
    put16(&d[0], size - 2);
    return good(deliver(d.data(), size, allocation, buffer, length));
}

ScsiOutcome VirtualDrive::readSubChannel(const std::uint8_t* cdb, std::uint8_t* buffer,
                                         std::uint32_t length) {
    ScsiOutcome failure;
    if (!readyLocked(failure)) {
        return failure;
    }
    const bool msf = (cdb[1] & 0x02) != 0;
    const bool subQ = (cdb[2] & 0x40) != 0;
    const int format = cdb[3];
    const std::uint32_t allocation = be16(cdb + 7);
    updatePlayLocked();
    std::array<std::uint8_t, 48> d{};
    d[1] = static_cast<std::uint8_t>(audio_);
    // Completion and error are reported once, as drives do.
    if (audio_ == AudioStatus::Completed || audio_ == AudioStatus::Error) {
        audio_ = AudioStatus::NoStatus;
    }
    std::uint32_t size = 4;
    if (subQ) {
        if (format == 1) {
            const DiscImage& disc = *disc_;
            const std::int32_t pos = position_;
            const ImageTrack* t = disc.trackAt(std::min(pos, disc.leadOut() - 1));
            int index = 1;
            // Inside the pregap of the next track the Q channel already names that track.
            for (const ImageTrack& u : disc.tracks()) {
                if (pos < u.start && pos >= u.start - u.pregap) {
                    t = &u;
                    index = 0;
                }
            }
            d[4] = 0x01;
            d[5] = static_cast<std::uint8_t>(0x10 | (t != nullptr && t->data ? 0x04 : 0x00));
            d[6] = static_cast<std::uint8_t>(t != nullptr ? t->number : 0);
            d[7] = static_cast<std::uint8_t>(index);
            putAddress(&d[8], pos, msf);
            const std::int32_t relative = t != nullptr ? pos - t->start : 0;
            if (msf) {
                const Msf m = framesToMsf(relative < 0 ? -relative : relative);
                d[13] = static_cast<std::uint8_t>(m.minutes);
                d[14] = static_cast<std::uint8_t>(m.seconds);
                d[15] = static_cast<std::uint8_t>(m.frames);
            } else {
                put32(&d[12], static_cast<std::uint32_t>(relative));
            }
            size = 16;
        } else if (format == 2 || format == 3) {
            d[4] = static_cast<std::uint8_t>(format);
            d[6] = format == 3 ? cdb[6] : 0;
            size = 24;  // no catalogue number or ISRC recorded: the valid bits stay clear
        } else {
            return check(sense_key::kIllegalRequest, 0x24, 0x00);
        }
    }
    put16(&d[2], size - 4);
    return good(deliver(d.data(), size, allocation, buffer, length));
}

ScsiOutcome VirtualDrive::modeSense(const std::uint8_t* cdb, bool ten, std::uint8_t* buffer,
                                    std::uint32_t length) {
    const int page = cdb[2] & 0x3F;
    const bool blockDescriptor = !ten && !(cdb[1] & 0x08);
    const std::uint32_t allocation = ten ? be16(cdb + 7) : cdb[4];
    std::array<std::uint8_t, 128> d{};
    std::uint32_t size = ten ? 8 : 4;
    if (blockDescriptor) {
        std::uint8_t* b = &d[size];
        b[5] = static_cast<std::uint8_t>(blockLength_ >> 16);
        b[6] = static_cast<std::uint8_t>(blockLength_ >> 8);
        b[7] = static_cast<std::uint8_t>(blockLength_);
        size += 8;
    }
    const bool all = page == 0x3F;
    bool known = page == 0x00 || all;
    if (page == 0x01 || all) {  // read error recovery
        d[size] = 0x01;
        d[size + 1] = 0x06;
        size += 8;
        known = true;
    }
    if (page == 0x2A || all) {  // capabilities and mechanical status
        std::uint8_t* p = &d[size];
        p[0] = 0x2A;
        p[1] = 0x12;
        p[4] = 0x01;  // plays audio
        p[5] = 0x03;  // CD-DA commands, accurate stream
        p[6] = 0x28;  // tray loader, eject
        put16(p + 8, kMaxSpeedKBps);
        put16(p + 10, 256);  // volume levels
        put16(p + 12, 128);  // buffer, kB
        put16(p + 14, static_cast<std::uint32_t>(speedKBps_));
        size += 20;
        known = true;
    }
    if (!known) {
        return check(sense_key::kIllegalRequest, 0x24, 0x00);
    }
    if (ten) {
        put16(&d[0], size - 2);
        put16(&d[6], blockDescriptor ? 8 : 0);
    } else {
        d[0] = static_cast<std::uint8_t>(size - 1);
        d[3] = blockDescriptor ? 8 : 0;
    }
    return good(deliver(d.data(), size, allocation, buffer, length));
}

ScsiOutcome VirtualDrive::modeSelect(const std::uint8_t* cdb, bool ten, const std::uint8_t* buffer,
                                     std::uint32_t length) {
    const std::uint32_t listLength = ten ? be16(cdb + 7) : cdb[4];
    const std::uint32_t header = ten ? 8 : 4;
    if (listLength == 0) {
        return good();
    }
    if (buffer == nullptr || length < listLength || listLength < header) {
        return check(sense_key::kIllegalRequest, 0x1A, 0x00);
    }
    const std::uint32_t descriptors = ten ? be16(buffer + 6) : buffer[3];
    if ((descriptors != 0 && descriptors != 8) || header + descriptors > listLength) {
        return check(sense_key::kIllegalRequest, 0x26, 0x00);
    }
    std::uint32_t newBlockLength = blockLength_;
    if (descriptors == 8) {
        newBlockLength = be24(buffer + header + 5);
        if (newBlockLength != 2048 &&
            newBlockLength != static_cast<std::uint32_t>(kImageSectorBytes)) {
            return check(sense_key::kIllegalRequest, 0x26, 0x00);
        }
    }
    // Pages (speed, error recovery, vendor pages) are accepted as long as they are whole.
    std::uint32_t at = header + descriptors;
    while (at + 2 <= listLength) {
        at += 2u + buffer[at + 1];
    }
    if (at > listLength) {
        return check(sense_key::kIllegalRequest, 0x26, 0x00);
    }
    blockLength_ = newBlockLength;
    return good();
}

ScsiOutcome VirtualDrive::setSpeed(const std::uint8_t* cdb) {
    const std::uint32_t requested = be16(cdb + 2);
    int chosen = speedOfFactor(kSpeedFactors.front());
    for (int f : kSpeedFactors) {
        // Requests are rounded down to whole kB/s; allow for that.
        if (requested == 0xFFFF || static_cast<std::uint32_t>(speedOfFactor(f)) <= requested + 2) {
            chosen = speedOfFactor(f);
        }
    }
    speedKBps_ = chosen;
    return good();
}

ScsiOutcome VirtualDrive::requestSense(const std::uint8_t* cdb, std::uint8_t* buffer,
                                       std::uint32_t length) {
    std::array<std::uint8_t, 18> d{};
    if (lastSense_[0] != 0) {
        std::copy(lastSense_.begin(), lastSense_.end(), d.begin());
    } else {
        d[0] = 0x70;
        d[7] = 10;
    }
    lastSense_ = {};
    return good(deliver(d.data(), d.size(), cdb[4], buffer, length));
}

ScsiOutcome VirtualDrive::readCapacity(std::uint8_t* buffer, std::uint32_t length) {
    ScsiOutcome failure;
    if (!readyLocked(failure)) {
        return failure;
    }
    std::array<std::uint8_t, 8> d{};
    put32(&d[0], static_cast<std::uint32_t>(disc_->leadOut() - 1));
    put32(&d[4], blockLength_);
    return good(deliver(d.data(), d.size(), 8, buffer, length));
}

}  // namespace ps
