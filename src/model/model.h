#pragma once

// The processor described as data: every block, its parameter codes, the layout of each
// report and set, and the limits of each field. Panels, dapctl, the dissector and the control
// bridge all read and write the wire through this one description.
//
// Using it, in short:
//  - Find what you talk about: model::findBlock("gate"), block->findField("threshold"), or
//    model::parseName("gate 2 threshold") -> FieldRef {block, message, field, channel, sub}.
//    formatName(ref) gives the name back. Channels and bands count from 1 in names and from 0
//    in the API and on the wire.
//  - Read a report: model::Report::check(message, payload, length) checks direction-free
//    payload bytes once (exact length, channel and band index, every float finite, every
//    enumeration index known) and returns a view over them; report.number(field, channel)
//    gives the value exactly as the processor sent it (a float stays the float, a flag its
//    byte), report.text(field, channel) a text field. Nothing is copied or allocated; the view
//    lives as long as the payload. shownNumber(field, raw) gives what a control shows
//    (whole-number fields cut toward zero, then clamped to the limits).
//  - Write a set: setPayload(ref, value, stored, out) for one field. Where one set carries the
//    whole block (limiter, gate, filter pass and band, security filter row), stored is the last
//    report of that channel (a Record keeps it, or Record::factory before any report) and the
//    set sends it back byte for byte with only this field replaced. checkValue() and
//    parseValue() say whether a value may go out (finite, within the limits of the processor's
//    generation, whole where the field is whole) before anything is sent.
//  - Describe: blocks() lists everything; describeJson() is what `dapctl describe --json`
//    prints (keys documented in src/model/README.md).
// All tables are static and constexpr; nothing here allocates except the QString/QByteArray
// conveniences named as such.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>
#include <span>

namespace model {

// What a field holds, as a tool shows it.
enum class Type : quint8 {
    Float, // a real number, typed values go out as typed (within the limits)
    Int,   // a whole number; non-whole values are refused
    Bool,  // on/off; reported nonzero reads as on
    Enum,  // one of values[]; the wire value is the index
    Text,  // 8-bit text, at most width bytes
};

// How a field sits on the wire. All multi-byte values are little-endian.
enum class Encoding : quint8 { F32, U8, I8, U16, U32, Text };

// Where a report puts the channel.
enum class ReportShape : quint8 {
    ChannelFirst, // [channel] or [channel][sub], then the values at fixed offsets
    PerChannel,   // one entry per channel, no channel byte: channel c at offset + c * stride
    BlockWide,    // no channel at all
};

// What a set of one field sends.
enum class SetShape : quint8 {
    Whole,        // the report's own layout: the stored report with this field replaced
    Crosspoint,   // [channel][field index][value] (the mixer: output, input, value)
    ChannelValue, // [channel][value] (lock states, labels and preset names: text without NUL)
    ReadOnly,     // nothing: the processor only reports it
};

// The processor's generations: 1 the first, 2 the reduced-delay generation (ARM major 2).
inline constexpr int kGenerations = 2;

struct Limits {
    double min = 0.0;
    double max = 0.0;
    double step = 0.0; // a control's step; 0 for none (texts, enumerations)
};

struct Field {
    const char *name; // "threshold", "band3.frequency", "gain2"
    Type type;
    Encoding encoding;
    quint8 offset;    // in the report payload, address bytes counted (channel 0 for PerChannel)
    quint8 width;     // bytes on the wire (text: the field width)
    Limits limits;    // generation 1
    const char *unit; // "dB", "ms", "Hz", "" for none
    std::span<const char *const> values; // Enum: the names, index = wire value
    double factory;                      // value before any report
    quint8 channels; // channels this field exists for; 0 = block-wide (no channel)
    quint8 index;    // for Crosspoint sets, the index byte before the value (input - 1)
    quint8 setCode;  // the set's parameter code when it differs from the report's (0: same)
    std::span<const double> subFactory; // per sub-index factory values (band frequencies)
    bool hiddenBeyond; // Enum: indexes beyond the list read as the last entry (lock states)
    bool reducedRange; // the reduced-delay generation narrows the limits (output delay)
    bool hundredths;   // the processor holds the value in whole hundredths (delay)
    bool readOnly;     // reported only, in a message whose other fields are set

    bool isBlockWide() const { return channels == 0; }
};

// One parameter code of a block and the report that answers its request.
struct Message {
    quint8 code;
    quint8 frameType; // 0: the block's
    ReportShape shape;
    quint8 addressBytes;  // ChannelFirst: 1 (channel) or 2 (channel, sub)
    quint8 subCount;      // addressBytes 2: sub-indexes (16 bands), named subName + n + "."
    const char *subName;  // "band"
    quint8 stride;        // PerChannel: bytes per channel
    quint16 reportLength; // exact payload length; 0 with atLeast for texts up to NUL
    bool atLeast;         // a longer report is taken too (system group 2)
    SetShape set;
    std::span<const Field> fields;
    const char *meaning;

    // The frame type this message travels with, given its block.
    bool blockSet() const { return set == SetShape::Whole && fields.size() > 1; }
};

// A set that is an action, not a field: copy, reset, recall.
struct Action {
    const char *name;
    quint8 code;
    const char *payload; // what the payload holds, for the description
};

struct Block {
    const char *name;    // "gate", "out-delay", "security"
    quint8 frameClass;   // 3 module message, 2 system
    quint8 frameType;    // module id or system group
    quint8 channels;     // 0 when every field is block-wide
    quint8 securityItem; // 0 for none
    quint8 generations;  // bit g-1 set when generation g has the block
    std::span<const Message> messages;
    std::span<const Action> actions;
    const char *meaning;

    bool inGeneration(int generation) const
    {
        return generation >= 1 && generation <= kGenerations &&
               (generations & (1u << (generation - 1))) != 0;
    }
    quint8 frameTypeOf(const Message &m) const { return m.frameType ? m.frameType : frameType; }
    // The field by its name ("band3.gain": sub is then 2); with its message.
    const Field *findField(QByteArrayView name, const Message **message = nullptr,
                           int *sub = nullptr) const;
    const Message *findMessage(quint8 code, quint8 frameType = 0) const;
    const Action *findAction(QByteArrayView name) const;
};

// Every block, in the order the processor's tabs show them, then settings, security, presets.
std::span<const Block> blocks();
const Block *findBlock(QByteArrayView name);
// The block of a received Frame: class 3 by module id, class 2 by group (and code: labels).
const Block *blockOf(quint8 frameClass, quint8 frameType);

// One field of one channel (and band): what a name like "gate 2 threshold" resolves to.
struct FieldRef {
    const Block *block = nullptr;
    const Message *message = nullptr;
    const Field *field = nullptr;
    int channel = -1; // from 0; -1 for a block-wide field
    int sub = 0;      // from 0: the band of a band field

    bool isValid() const { return field != nullptr; }
    bool writable() const { return message->set != SetShape::ReadOnly && !field->readOnly; }
    // The parameter code of the field's set (a preset name is set with code 5).
    quint8 setCode() const { return field->setCode ? field->setCode : message->code; }
    quint8 frameClass() const { return block->frameClass; }
    quint8 frameType() const { return block->frameTypeOf(*message); }
};

// "BLOCK CHANNEL FIELD", channel "-" for a block-wide field. Nothing, with a reason in
// error, for an unknown block or field or a channel the field does not have.
std::optional<FieldRef> parseName(const QString &block, const QString &channel,
                                  const QString &field, QString *error);
std::optional<FieldRef> parseName(const QString &name, QString *error);
QString formatName(const FieldRef &ref);

// The limits of a field on a processor of that generation (a channel matters for the
// reduced output delays: outputs 1-4 218 ms, 5-8 148 ms).
Limits limitsOf(const Field &field, int channel, int generation);

// A typed value checked as a set of it would be: nothing, with the reason, when it cannot go
// out. Numbers: finite, within the limits, whole for Int; Bool: on/off/1/0/yes/no/true/false;
// Enum: a value name (case ignored, or a number equal to a numeric name); Text: at most width
// bytes. The result is the number to send (Enum: the index; Bool: 0/1; delays in whole
// hundredths). Texts are checked by checkText.
std::optional<double> parseValue(const FieldRef &ref, const QString &text, int generation,
                                 QString *error);
// A number for the field: true when it may go out as it is.
bool checkValue(const FieldRef &ref, double value, int generation);
bool checkText(const Field &field, QByteArrayView bytes);

// A reported number as a control shows it: whole-number fields cut toward zero, then clamped
// to the generation-1 limits (Enum: the index clamped to the list).
double shownNumber(const Field &field, double raw);
// A reported number for JSON: a float32 as the shortest decimal that reads back as the same
// float (-12.34f gives -12.34, not -12.340000152587891); other numbers unchanged.
double decimalNumber(const Field &field, double raw);
// A reported number as text: the shortest decimal that reads back as the same float, the
// value name of an enumeration, "on"/"off".
QString valueText(const Field &field, double raw);

// A checked report payload. Check once, then read fields; the view borrows the bytes.
class Report {
public:
    static std::optional<Report> check(const Message &message, const uchar *payload,
                                       qsizetype length);
    int channel() const { return m_channel; } // -1 for PerChannel and BlockWide
    int sub() const { return m_sub; }
    const Message &message() const { return *m_message; }
    // The field's value as reported: floats exactly, integers and flags as their byte.
    // channel: PerChannel fields only (ignored otherwise; -1 reads as 0).
    double number(const Field &field, int channel = 0) const;
    // A text field up to its NUL (or its width, or the end of the payload).
    QByteArrayView text(const Field &field, int channel = 0) const;
    QByteArrayView bytes() const { return {m_payload, m_length}; }

private:
    Report(const Message &m, const uchar *p, qsizetype n) : m_message(&m), m_payload(p), m_length(n)
    {
    }
    const Message *m_message;
    const uchar *m_payload;
    qsizetype m_length;
    int m_channel = -1;
    int m_sub = 0;
};

// A raw number of a field at payload + at (the field's encoding); no checks.
double readNumber(const Field &field, const uchar *at);
// Writes value (already checked) in the field's encoding at out.
void writeNumber(const Field &field, double value, uchar *out);

// The bytes of one channel's report of a Whole-set message, kept to build sets from:
// the panels' mirror of a block and the base of every block set.
class Record {
public:
    static constexpr int kCapacity = 24;

    // The factory values of one channel (and band) before any report.
    static Record factory(const Message &message, int channel, int sub = 0);
    // A checked report of a ChannelFirst message; nothing when it does not fit.
    static std::optional<Record> fromReport(const Report &report);

    const Message &message() const { return *m_message; }
    double number(const Field &field) const
    {
        return readNumber(field, m_bytes.data() + field.offset);
    }
    // Replaces one field (value already checked); the other bytes stay as reported.
    void setNumber(const Field &field, double value)
    {
        writeNumber(field, value, m_bytes.data() + field.offset);
    }
    QByteArrayView bytes() const { return {m_bytes.data(), m_size}; }
    friend bool operator==(const Record &a, const Record &b)
    {
        return a.m_message == b.m_message && a.bytes() == b.bytes();
    }

private:
    explicit Record(const Message &m) : m_message(&m) {}
    const Message *m_message;
    std::array<uchar, kCapacity> m_bytes{};
    qsizetype m_size = 0;
};

// The payload of a set of one field to value (checked by checkValue). stored: for a
// block set (Whole with several fields), the stored report payload of that channel, sent back
// with only this field replaced; ignored otherwise. Returns the payload length, or -1 when
// the field cannot be set or stored does not fit. out holds at least Record::kCapacity bytes.
int setPayload(const FieldRef &ref, double value, QByteArrayView stored, uchar *out);
QByteArray setPayload(const FieldRef &ref, double value, QByteArrayView stored = {});
// A text field's set: [channel] then the text's bytes without NUL, or the bytes alone.
QByteArray setTextPayload(const FieldRef &ref, QByteArrayView text);
// The request that the field's report answers: its address bytes (channel, band) or nothing.
QByteArray requestPayload(const FieldRef &ref);

// The whole description as JSON text (`dapctl describe --json`).
QByteArray describeJson();
// The same as plain text for people (`dapctl describe`).
QString describeText();

} // namespace model
