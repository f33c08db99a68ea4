// The cooling component's tree: nine groups and the 21 settings of the board's
// hardware-monitor chip, built the same way whatever the values come from. A subclass fills
// each setting's value: CCoolingSystemBuilder from what the chip is programmed with,
// CCoolingINIBuilder (ini/) from an INI file.
#pragma once

#include "cooling/Corrin6Config.h"
#include "cooling/CoolingTables.h"

#include "FirmwareVariables.h"

#include "config/Builder.h"

#include "ComObject.h"

class CCoolingSetting;

class CCoolingBuilder : public CBuilder {
public:
    // `fanControlChecked`: the caller has already found that the firmware keeps no
    // fan-control configuration of its own, so it is not read again.
    explicit CCoolingBuilder(bool fanControlChecked = false) : m_bFanControlChecked(fanControlChecked) {}

    // The root group ("Therm.root") with S_OK, or with 0x02390016 when the board has no
    // chip; 0x02390014 and no tree when the firmware keeps its own fan-control configuration;
    // 0x8239001E (message 209) with the tree when a value could not be loaded.
    HRESULT CreateConfigurationTree(IConfigGroup** root) override;

protected:
    // Gives the setting its value (and default). 0x8239001E or 0x82390011 mark the value as
    // not loaded without stopping the others; other failures stop the build.
    virtual HRESULT FillSetting(const cooling::SettingDefinition& definition, CCoolingSetting& setting) = 0;
    bool HardwarePresent() const { return m_bHardwarePresent; }
    // The chip's 7-bit SMBus address; 0 without a chip.
    BYTE ChipAddress() const { return m_chipAddress; }

private:
    void DetectHardware();
    HRESULT CreateSetting(const cooling::SettingDefinition& definition, ComPtr<CCoolingSetting>& setting);

    bool m_bFanControlChecked;
    bool m_bHardwarePresent = false;
    BYTE m_chipAddress = 0;
};

// What the chip at 7-bit address `address` runs at the next start: the sequences for it in
// "BmiUserSequence", run on its power-on registers; the power-on image when there are none
// (or no chip, address 0). Fails, saying why, on a sequence buffer that cannot be read.
HRESULT ReadProgrammedChip(IFirmwareVariables& variables, BYTE address, cooling::Corrin6Config& programmed);

// The values the chip is programmed with: the sequence the last install left in
// "BmiUserSequence", run on the chip's power-on registers; the power-on values when there is
// none. The defaults are the power-on values.
class CCoolingSystemBuilder final : public CCoolingBuilder {
public:
    using CCoolingBuilder::CCoolingBuilder;

protected:
    HRESULT FillSetting(const cooling::SettingDefinition& definition, CCoolingSetting& setting) override;

private:
    HRESULT LoadImages();

    bool m_bLoaded = false;
    cooling::Corrin6Config m_programmed;
    cooling::Corrin6Config m_defaults;
};
