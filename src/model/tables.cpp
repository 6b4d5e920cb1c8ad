// The description itself: every block, message and field of the processor.
#include "model/model.h"

namespace model {
namespace {

constexpr quint8 kIn = 4;
constexpr quint8 kOut = 8;
constexpr quint8 kSlots = 32;
constexpr quint8 kBothGenerations = 0b11;

constexpr const char *kPassTypes[] = {"bessel", "butterworth", "link-riley"};
constexpr const char *kSlopes[] = {"-6dB/oct",  "-12dB/oct", "-18dB/oct",
                                   "-24dB/oct", "-36dB/oct", "-48dB/oct"};
constexpr const char *kBandTypes[] = {"peq", "low-shelf", "high-shelf", "all-pass"};
// A band's Q travels as an index into this table.
constexpr const char *kQ[] = {
    "0.50",  "0.53",  "0.56",  "0.59",  "0.63",  "0.67",  "0.71",  "0.75",  "0.79",  "0.84",
    "0.89",  "0.94",  "1.00",  "1.06",  "1.12",  "1.19",  "1.26",  "1.30",  "1.40",  "1.50",
    "1.60",  "1.70",  "1.80",  "1.90",  "2.00",  "2.10",  "2.20",  "2.40",  "2.50",  "2.70",
    "2.80",  "3.00",  "3.20",  "3.40",  "3.60",  "3.80",  "4.00",  "4.20",  "4.50",  "4.80",
    "5.00",  "5.30",  "5.70",  "6.00",  "6.30",  "6.70",  "7.10",  "7.60",  "8.00",  "8.50",
    "9.00",  "9.50",  "10.10", "10.70", "11.30", "12.00", "12.70", "13.50", "14.00", "15.00",
    "16.00", "17.00", "18.00", "19.00", "20.00"};
constexpr const char *kWaveforms[] = {"pink-noise", "sine", "white-noise"};
constexpr const char *kLockStates[] = {"free", "read-only", "hidden"};
constexpr double kBandFrequencies[] = {40,  60,  80,  100, 200,  300,  400,  500,
                                       600, 700, 800, 900, 1000, 2000, 3000, 4000};

// ---- field makers --------------------------------------------------------------------------

constexpr Field field(const char *name, Type type, Encoding enc, quint8 offset, quint8 width,
                      Limits limits, const char *unit, quint8 channels, double factory)
{
    return Field{name,     type, enc, offset, width, limits, unit,  {},   factory,
                 channels, 0,    0,   {},     false, false,  false, false};
}
constexpr Field flag(const char *name, quint8 offset, quint8 channels, double factory = 0)
{
    return field(name, Type::Bool, Encoding::U8, offset, 1, {0, 1, 1}, "", channels, factory);
}
// A real number carried as float32.
constexpr Field real(const char *name, quint8 offset, Limits limits, const char *unit,
                     quint8 channels, double factory = 0)
{
    return field(name, Type::Float, Encoding::F32, offset, 4, limits, unit, channels, factory);
}
// A whole number carried as float32 (reports are cut toward zero to show).
constexpr Field wholeF32(const char *name, quint8 offset, Limits limits, const char *unit,
                         quint8 channels, double factory = 0)
{
    return field(name, Type::Int, Encoding::F32, offset, 4, limits, unit, channels, factory);
}
constexpr Field byteInt(const char *name, Encoding enc, quint8 offset, Limits limits,
                        const char *unit, quint8 channels, double factory = 0)
{
    return field(name, Type::Int, enc, offset, 1, limits, unit, channels, factory);
}
template <size_t N>
constexpr Field choice(const char *name, quint8 offset, const char *const (&values)[N],
                       quint8 channels, double factory = 0)
{
    Field f = field(name, Type::Enum, Encoding::U8, offset, 1, {0, double(N - 1), 1}, "", channels,
                    factory);
    f.values = values;
    return f;
}
constexpr Field text(const char *name, quint8 offset, quint8 width, quint8 channels)
{
    return field(name, Type::Text, Encoding::Text, offset, width, {0, double(width), 0}, "",
                 channels, 0);
}
constexpr Field readOnlyMeter(const char *name, quint8 offset, quint8 channels)
{
    return byteInt(name, Encoding::I8, offset, {-60, 24, 1}, "dBu", channels, -60);
}
constexpr Field crosspoint(Field f, quint8 input)
{
    f.index = input;
    return f;
}
constexpr Field lockState(const char *name, quint8 offset, quint8 channels)
{
    Field f = choice(name, offset, kLockStates, channels);
    f.hiddenBeyond = true;
    return f;
}
constexpr Field delay(quint8 channels, double max, bool reduced)
{
    Field f = real("delay", 1, {0, max, 0.01}, "ms", channels);
    f.hundredths = true;
    f.reducedRange = reduced;
    return f;
}

// One message: report and set of a parameter code.
constexpr Message msg(quint8 code, ReportShape shape, quint16 length, SetShape set,
                      std::span<const Field> fields, const char *meaning)
{
    const quint8 address = shape == ReportShape::ChannelFirst ? 1 : 0;
    return Message{code, 0, shape, address, 0, nullptr, 0, length, false, set, fields, meaning};
}
constexpr Message perChannel(quint8 code, quint8 stride, quint16 length, SetShape set,
                             std::span<const Field> fields, const char *meaning)
{
    Message m = msg(code, ReportShape::PerChannel, length, set, fields, meaning);
    m.stride = stride;
    return m;
}

// ---- levels --------------------------------------------------------------------------------

template <quint8 N, quint8 Groups> struct Level {
    static constexpr Field meter[] = {readOnlyMeter("meter", 0, N)};
    static constexpr Field mute[] = {flag("mute", 1, N)};
    static constexpr Field gain[] = {real("gain", 1, {-70, 12, 0.1}, "dB", N)};
    static constexpr Field invert[] = {flag("invert", 1, N)};
    static constexpr Field group[] = {byteInt("group", Encoding::U8, 1, {0, Groups, 1}, "", N)};
    static constexpr Message messages[] = {
        perChannel(1, 1, N, SetShape::ReadOnly, meter, "meter levels, one signed byte each"),
        msg(2, ReportShape::ChannelFirst, 2, SetShape::Whole, mute, "mute"),
        msg(3, ReportShape::ChannelFirst, 5, SetShape::Whole, gain, "gain"),
        msg(4, ReportShape::ChannelFirst, 2, SetShape::Whole, invert, "polarity invert"),
        msg(5, ReportShape::ChannelFirst, 2, SetShape::Whole, group, "link group, 0 none"),
    };
};

// ---- gate and feedback suppressor ------------------------------------------------------------

constexpr Field kGateOpen[] = {flag("open", 0, kIn)};
constexpr Field kGate[] = {
    flag("enable", 1, kIn),
    wholeF32("threshold", 2, {-120, 0, 1}, "dBu", kIn, -65),
    wholeF32("attack", 6, {20, 1000, 1}, "ms", kIn, 20),
    wholeF32("decay", 10, {20, 1000, 1}, "ms", kIn, 20),
};
constexpr Message kGateMessages[] = {
    perChannel(1, 1, kIn, SetShape::ReadOnly, kGateOpen, "gate open states"),
    msg(2, ReportShape::ChannelFirst, 14, SetShape::Whole, kGate, "gate parameters, one set"),
};

constexpr Field kFeedback[] = {flag("enable", 1, kIn)};
constexpr Message kFeedbackMessages[] = {
    msg(1, ReportShape::ChannelFirst, 2, SetShape::Whole, kFeedback, "suppressor on/off"),
};

// ---- filters -------------------------------------------------------------------------------

template <quint8 N> struct Filter {
    static constexpr Field highPass[] = {
        flag("high-pass.enable", 1, N),
        choice("high-pass.type", 2, kPassTypes, N),
        choice("high-pass.slope", 3, kSlopes, N),
        wholeF32("high-pass.frequency", 4, {20, 20000, 1}, "Hz", N, 20),
    };
    static constexpr Field lowPass[] = {
        flag("low-pass.enable", 1, N),
        choice("low-pass.type", 2, kPassTypes, N),
        choice("low-pass.slope", 3, kSlopes, N),
        wholeF32("low-pass.frequency", 4, {20, 20000, 1}, "Hz", N, 20000),
    };
    static constexpr Field band[] = {
        flag("enable", 2, N, 1),
        choice("type", 3, kBandTypes, N),
        [] {
            Field f = wholeF32("frequency", 4, {20, 20000, 1}, "Hz", N);
            f.subFactory = kBandFrequencies;
            return f;
        }(),
        real("gain", 8, {-20, 20, 0.1}, "dB", N),
        choice("q", 12, kQ, N, 43),
    };
    static constexpr Message messages[] = {
        msg(1, ReportShape::ChannelFirst, 8, SetShape::Whole, highPass,
            "high-pass filter, one set"),
        msg(2, ReportShape::ChannelFirst, 8, SetShape::Whole, lowPass, "low-pass filter, one set"),
        Message{3, 0, ReportShape::ChannelFirst, 2, 16, "band", 0, 13, false, SetShape::Whole, band,
                "one parametric band, one set"},
    };
};
constexpr Action kFilterActions[] = {
    {"copy", 4, "source channel, input channel mask, output channel mask"},
    {"reset", 5, "channel"},
};

// ---- limiters and delays ---------------------------------------------------------------------

template <quint8 N> struct Limiter {
    static constexpr Field params[] = {
        flag("enable", 1, N),
        real("threshold", 2, {-120, 24, 0.1}, "dBu", N),
        wholeF32("ratio", 6, {1, 100, 1}, "1:n", N, 2),
        wholeF32("attack", 10, {20, 1000, 1}, "ms", N, 20),
        wholeF32("decay", 14, {20, 1000, 1}, "ms", N, 20),
    };
    static constexpr Field meters[] = {
        readOnlyMeter("input-meter", 0, N),
        readOnlyMeter("output-meter", 1, N),
    };
    static constexpr Message messages[] = {
        msg(1, ReportShape::ChannelFirst, 18, SetShape::Whole, params, "limiter, one set"),
        perChannel(4, 2, 2 * N, SetShape::ReadOnly, meters, "input and output level per channel"),
    };
};
constexpr Action kLimiterActions[] = {
    {"copy", 2, "channel, input channel mask, output channel mask"},
    {"reset", 3, "channel"},
};

constexpr Field kInDelay[] = {delay(kIn, 1000, false)};
constexpr Field kOutDelay[] = {delay(kOut, 2000, true)};
constexpr Message kInDelayMessages[] = {
    msg(1, ReportShape::ChannelFirst, 5, SetShape::Whole, kInDelay, "delay"),
};
constexpr Message kOutDelayMessages[] = {
    msg(1, ReportShape::ChannelFirst, 5, SetShape::Whole, kOutDelay, "delay"),
};

// ---- mixer and generator ---------------------------------------------------------------------

constexpr Field kMixOn[] = {
    crosspoint(flag("on1", 1, kOut), 0),
    crosspoint(flag("on2", 2, kOut), 1),
    crosspoint(flag("on3", 3, kOut), 2),
    crosspoint(flag("on4", 4, kOut), 3),
};
constexpr Limits kMixGain{-70, 12, 1};
constexpr Field kMixGains[] = {
    crosspoint(byteInt("gain1", Encoding::I8, 1, kMixGain, "dB", kOut), 0),
    crosspoint(byteInt("gain2", Encoding::I8, 2, kMixGain, "dB", kOut), 1),
    crosspoint(byteInt("gain3", Encoding::I8, 3, kMixGain, "dB", kOut), 2),
    crosspoint(byteInt("gain4", Encoding::I8, 4, kMixGain, "dB", kOut), 3),
};
constexpr Message kMixerMessages[] = {
    msg(1, ReportShape::ChannelFirst, 5, SetShape::Crosspoint, kMixOn,
        "crosspoints of one output: input N on"),
    msg(2, ReportShape::ChannelFirst, 5, SetShape::Crosspoint, kMixGains,
        "crosspoints of one output: input N gain in whole dB"),
};

constexpr Field kGenOutput[] = {flag("output", 1, kOut)};
constexpr Field kGenFrequency[] = {real("frequency", 0, {20, 20000, 1}, "Hz", 0, 1000)};
constexpr Field kGenWaveform[] = {choice("waveform", 0, kWaveforms, 0, 1)};
constexpr Field kGenGain[] = {wholeF32("gain", 0, {-70, 12, 1}, "dB", 0, -30)};
constexpr Field kGenMute[] = {flag("mute", 0, 0)};
constexpr Message kGeneratorMessages[] = {
    msg(1, ReportShape::ChannelFirst, 2, SetShape::Whole, kGenOutput, "routed to the output"),
    msg(2, ReportShape::BlockWide, 4, SetShape::Whole, kGenFrequency, "sine frequency"),
    msg(3, ReportShape::BlockWide, 1, SetShape::Whole, kGenWaveform, "waveform"),
    msg(4, ReportShape::BlockWide, 4, SetShape::Whole, kGenGain, "gain"),
    msg(5, ReportShape::BlockWide, 1, SetShape::Whole, kGenMute, "mute"),
};

// ---- device settings (system groups 2 and 3) ---------------------------------------------------

constexpr Message systemText(quint8 code, std::span<const Field> fields, SetShape set,
                             const char *meaning)
{
    Message m = msg(code, ReportShape::BlockWide, 1, set, fields, meaning);
    m.atLeast = true; // a text up to its NUL; longer reports are read up to it
    return m;
}
constexpr Field kModel[] = {text("model", 0, 19, 0)};
constexpr Field kSerial[] = {text("serial", 0, 27, 0)};
constexpr Field kTemperature[] = {real("temperature", 0, {-60, 150, 0.1}, "°C", 0)};
constexpr Field kLocation[] = {text("location", 0, 16, 0)};
constexpr Field kDescription[] = {text("description", 0, 16, 0)};
constexpr Field kPanelLock[] = {flag("panel-lock", 0, 0)};
constexpr Field kInLabels[] = {text("in-label", 0, 16, kIn)};
constexpr Field kOutLabels[] = {text("out-label", 0, 16, kOut)};
constexpr Message labels(quint8 code, quint8 channels, std::span<const Field> fields,
                         const char *meaning)
{
    Message m =
        perChannel(code, 16, quint16(16 * channels), SetShape::ChannelValue, fields, meaning);
    m.frameType = 3;
    return m;
}
constexpr Message kSettingsMessages[] = {
    systemText(1, kModel, SetShape::ReadOnly, "model, text up to NUL"),
    systemText(4, kSerial, SetShape::ReadOnly, "serial number, text up to NUL"),
    [] {
        Message m =
            msg(9, ReportShape::BlockWide, 4, SetShape::ReadOnly, kTemperature, "CPU temperature");
        m.atLeast = true;
        return m;
    }(),
    systemText(10, kLocation, SetShape::ChannelValue, "location; the set carries no NUL"),
    systemText(11, kDescription, SetShape::ChannelValue, "description; the set carries no NUL"),
    [] {
        Message m =
            msg(20, ReportShape::BlockWide, 1, SetShape::Whole, kPanelLock, "front panel lock");
        m.atLeast = true;
        return m;
    }(),
    labels(1, kIn, kInLabels, "input labels, 16 bytes each; set [channel][text]"),
    labels(2, kOut, kOutLabels, "output labels, 16 bytes each; set [channel][text]"),
};

// ---- security (system group 5) ---------------------------------------------------------------

constexpr Field kAccess[] = {flag("access", 0, 0)};
#define DAP_LOCK(block, n) lockState(block, 0, n)
constexpr Field kLockInLevel[] = {DAP_LOCK("in-level", kIn)};
constexpr Field kLockGate[] = {DAP_LOCK("gate", kIn)};
constexpr Field kLockFeedback[] = {DAP_LOCK("feedback", kIn)};
constexpr Field kLockInLimiter[] = {DAP_LOCK("in-limiter", kIn)};
constexpr Field kLockInDelay[] = {DAP_LOCK("in-delay", kIn)};
constexpr Field kLockMixer[] = {DAP_LOCK("mixer", kOut)};
constexpr Field kLockGenerator[] = {DAP_LOCK("generator", kOut)};
constexpr Field kLockOutLevel[] = {DAP_LOCK("out-level", kOut)};
constexpr Field kLockOutLimiter[] = {DAP_LOCK("out-limiter", kOut)};
constexpr Field kLockOutDelay[] = {DAP_LOCK("out-delay", kOut)};
#undef DAP_LOCK
// A filter's row: graph, high-pass, low-pass, then bands 1-16.
#define DAP_ROW(side, n)                                                                           \
    {                                                                                              \
        lockState(side ".graph", 1, n), lockState(side ".high-pass", 2, n),                        \
            lockState(side ".low-pass", 3, n), lockState(side ".band1", 4, n),                     \
            lockState(side ".band2", 5, n), lockState(side ".band3", 6, n),                        \
            lockState(side ".band4", 7, n), lockState(side ".band5", 8, n),                        \
            lockState(side ".band6", 9, n), lockState(side ".band7", 10, n),                       \
            lockState(side ".band8", 11, n), lockState(side ".band9", 12, n),                      \
            lockState(side ".band10", 13, n), lockState(side ".band11", 14, n),                    \
            lockState(side ".band12", 15, n), lockState(side ".band13", 16, n),                    \
            lockState(side ".band14", 17, n), lockState(side ".band15", 18, n),                    \
            lockState(side ".band16", 19, n)                                                       \
    }
constexpr Field kLockInFilter[] = DAP_ROW("in-filter", kIn);
constexpr Field kLockOutFilter[] = DAP_ROW("out-filter", kOut);
#undef DAP_ROW
constexpr Message lockItem(quint8 item, quint8 channels, std::span<const Field> fields)
{
    return perChannel(item, 1, channels, SetShape::ChannelValue, fields,
                      "lock states, one byte per channel; set [channel][state]");
}
constexpr Message kSecurityMessages[] = {
    msg(1, ReportShape::BlockWide, 1, SetShape::ReadOnly, kAccess,
        "page access granted; see the access action"),
    lockItem(3, kIn, kLockInLevel),
    lockItem(4, kIn, kLockGate),
    lockItem(5, kIn, kLockFeedback),
    msg(6, ReportShape::ChannelFirst, 20, SetShape::Whole, kLockInFilter,
        "lock states of one input filter row; set [channel] + the 19-byte row"),
    lockItem(7, kIn, kLockInLimiter),
    lockItem(8, kIn, kLockInDelay),
    lockItem(9, kOut, kLockMixer),
    lockItem(10, kOut, kLockGenerator),
    lockItem(11, kOut, kLockOutLevel),
    msg(12, ReportShape::ChannelFirst, 20, SetShape::Whole, kLockOutFilter,
        "lock states of one output filter row; set [channel] + the 19-byte row"),
    lockItem(13, kOut, kLockOutLimiter),
    lockItem(14, kOut, kLockOutDelay),
};
constexpr Action kSecurityActions[] = {
    {"access", 1, "the lock password (1-8 bytes) opens the page; 90 A7 leaves it"},
    {"lock-password", 2, "the new lock password, right after access with the old one"},
};

// ---- presets (module 32) ---------------------------------------------------------------------

constexpr Field kSlotList[] = {
    [] {
        Field f = byteInt("current", Encoding::I8, 0, {-1, kSlots - 1, 1}, "", 0, -1);
        f.readOnly = true;
        return f;
    }(),
    [] {
        Field f = flag("used", 1, kSlots);
        f.readOnly = true;
        return f;
    }(),
    [] {
        Field f = text("name", 2, 16, kSlots);
        f.setCode = 5;
        return f;
    }(),
};
constexpr Message kPresetMessages[] = {
    perChannel(1, 17, 545, SetShape::ChannelValue, kSlotList,
               "slot list: current slot (negative: none), then per slot in use and 16-byte "
               "name; the name's set is code 5 [slot][name]"),
};
constexpr Action kPresetActions[] = {
    {"store", 2, "slot: store the current settings"},
    {"erase", 4, "slot"},
    {"recall", 9, "slot; reports of code 9 tell the progress"},
};

constexpr quint8 kGen1 = 0b01;

constexpr Block kBlocks[] = {
    {"in-level", 3, 1, kIn, 3, kBothGenerations, Level<kIn, 2>::messages, {}, "input level"},
    {"gate", 3, 2, kIn, 4, kBothGenerations, kGateMessages, {}, "noise gate"},
    {"feedback", 3, 3, kIn, 5, kBothGenerations, kFeedbackMessages, {}, "feedback suppressor"},
    {"in-filter", 3, 4, kIn, 6, kBothGenerations, Filter<kIn>::messages, kFilterActions,
     "input filters: high-pass, low-pass and 16 bands"},
    {"in-limiter", 3, 5, kIn, 7, kBothGenerations, Limiter<kIn>::messages, kLimiterActions,
     "input compressor/limiter"},
    {"in-delay", 3, 6, kIn, 8, kGen1, kInDelayMessages, {}, "input delay"},
    {"mixer",
     3,
     7,
     kOut,
     9,
     kBothGenerations,
     kMixerMessages,
     {},
     "mixer matrix; the channel is the output"},
    {"generator",
     3,
     8,
     kOut,
     10,
     kBothGenerations,
     kGeneratorMessages,
     {},
     "signal generator; the channel is the output it feeds"},
    {"out-level", 3, 9, kOut, 11, kBothGenerations, Level<kOut, 4>::messages, {}, "output level"},
    {"out-filter", 3, 10, kOut, 12, kBothGenerations, Filter<kOut>::messages, kFilterActions,
     "output filters: high-pass, low-pass and 16 bands"},
    {"out-limiter", 3, 11, kOut, 13, kBothGenerations, Limiter<kOut>::messages, kLimiterActions,
     "output compressor/limiter"},
    {"out-delay", 3, 12, kOut, 14, kBothGenerations, kOutDelayMessages, {}, "output delay"},
    {"settings",
     2,
     2,
     kOut,
     0,
     kBothGenerations,
     kSettingsMessages,
     {},
     "device settings; labels travel in system group 3"},
    {"security", 2, 5, kOut, 0, kBothGenerations, kSecurityMessages, kSecurityActions,
     "lock states per block and channel: free, read-only, hidden"},
    {"presets", 3, 32, kSlots, 0, kBothGenerations, kPresetMessages, kPresetActions,
     "the 32 preset slots; the channel is the slot"},
};

} // namespace

std::span<const Block> blocks()
{
    return kBlocks;
}

} // namespace model
