#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "device_font.h"
#include "host_objects.h"

// How the host hands a call's glyph positions to the module.
enum class PositionMode {
    kGiven,      // STROBJ.pgp holds them
    kEnumerated, // pgp is null: the module enumerates them in one batch
    kBatches,    // enumerated in batches of two
};

struct TextCallOptions {
    bool glyph_indices = false; // hand the text over as glyph indices
    PositionMode positions = PositionMode::kGiven;
    DWORD faults = 0; // engine faults
};

// One text-output call made from an EMF text record played on a device context: the glyphs
// the device font shows, their origins on the baseline in device pixels, their advances and
// the text's background, as GDI realised them.
class TextCall {
public:
    // False when the record is not one a call can be made of (bad offsets, no glyphs).
    bool Build(HDC playback, const EMREXTTEXTOUTW& record, size_t record_size, DeviceFont& font,
               const TextCallOptions& options);

    STROBJ* Object() { return &object_.strobj; }
    // The characters the call shows (for the host's own report).
    const std::wstring& Characters() const { return characters_; }

private:
    bool ReadRecord(const EMREXTTEXTOUTW& record, size_t record_size);
    void Place(HDC playback, const EMREXTTEXTOUTW& record, const DeviceFont& font);
    bool ConstantPitch(const DeviceFont& font) const;
    void Describe(const DeviceFont& font, const TextCallOptions& options, bool glyph_record);

    std::wstring characters_;
    std::vector<WORD> glyphs_;
    std::vector<INT> logical_dx_; // empty when the record carries none
    std::vector<LONG> advances_;
    std::vector<LONG> x_;
    LONG baseline_ = 0;
    std::wstring original_; // what pwszOrg points at
    std::vector<GLYPHPOS> positions_;
    std::vector<GLYPHPOS> handed_out_;
    std::vector<POINTQF> advance_vectors_;
    HostString object_{};
};
