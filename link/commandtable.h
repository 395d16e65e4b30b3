// Every command the tool sends to the radar, in one place: function code, how the reply is
// awaited, the least reply that counts, and the log texts (source texts, translated at use
// in the MainWindow context).
#pragma once

#include <QString>
#include <QtGlobal>

enum class ReplyDiscipline {
    ShortAck,  // one wait of up to 50 ms; any byte is success
    LongAck,   // one wait of up to 1000 ms; any byte is success
    SizedRead, // up to ten 100 ms waits until minimumReply bytes are in; sync checked
    Deadline,  // 1000 ms deadline, ends once the reply's own length field is satisfied
    Own        // the command awaits its reply itself (upgrade, data sampling)
};

struct RadarCommand {
    quint8 code;
    quint8 subCommand; // first data byte of code 0x06, 0 elsewhere
    int frameLength;
    ReplyDiscipline discipline;
    int minimumReply;
    bool triesLockOnce; // driven by a timer or a repeated press: skip the turn when busy
    bool silentGivesLengthLine; // sized reads add the length line after the timeout line
    const char *requestPrefix;
    const char *replyPrefix;
    const char *timeoutLine;
    const char *lengthLine; // sized read: plain text; deadline: "%1/%2" received/declared
    const char *syncLine;

    QString request() const { return tr(requestPrefix); }
    QString reply() const { return tr(replyPrefix); }
    QString timeout() const { return tr(timeoutLine); }
    QString length() const { return tr(lengthLine); }
    QString sync() const { return tr(syncLine); }
    static QString tr(const char *text);
};

namespace RadarCommands {
extern const RadarCommand WriteDetectionArea;   // 0x02
extern const RadarCommand WriteAlarmArea;       // 0x03
extern const RadarCommand WriteSuppressionArea; // 0x04
extern const RadarCommand ResultQuery;          // 0x06 / 1
extern const RadarCommand DataSampling;         // 0x06 / 2
extern const RadarCommand TestCommand;          // 0x06 / 4
extern const RadarCommand WriteTargetFilter;    // 0x07
extern const RadarCommand WriteStartDistance;   // 0x08
extern const RadarCommand CanParameters;        // 0x09
extern const RadarCommand ReadDetectionArea;    // 0x0A
extern const RadarCommand ReadAlarmArea;        // 0x0B
extern const RadarCommand ReadSuppressionArea;  // 0x0C
extern const RadarCommand ReadIdentity;         // 0x0D
extern const RadarCommand SetStationNumber;     // 0x0E
extern const RadarCommand SaveToFlash;          // 0x10
extern const RadarCommand SoftwareUpgrade;      // 0x11
extern const RadarCommand ReadTargetFilter;     // 0x14
extern const RadarCommand ReadStartDistance;    // 0x15

// All of the above, in function-code order.
const RadarCommand *const *all(int *count);
} // namespace RadarCommands
