#pragma once

#include <QString>
#include <QVariant>
#include <cstdint>
#include <vector>

namespace script {

enum class DeviceClass
{
    Printer,
    Drawer,
    Display
};

// One statement of a script, as the parser understood it.
struct Step
{
    enum class Kind
    {
        Use,            // use DEVICE NAME: the logical name or address Open takes by default
        Call,           // DEVICE Member arguments...
        PrintFile,      // printer PrintNormal|PrintImmediate STATION file PATH
        SetProperty,    // DEVICE Property = value
        GetProperty,    // DEVICE Property
        ExpectResult,   // expect CODE
        ExpectFailure,  // expect failure
        ExpectProperty, // expect DEVICE Property (=|!=) value [within T]
        ExpectEvent,    // expect [no] [DEVICE] Event [value] [within T]
        ExpectSim,      // expect sim drawer open|closed, sim display "text", sim receipt "text"
        AnswerErrors,   // on ErrorEvent retry|clear [N]
        Wait,           // wait T
        Sim             // sim DEVICE control value...
    };

    Kind kind = Kind::Call;
    int line = 0;
    QString text; // the statement as written, without its comment
    DeviceClass device = DeviceClass::Printer;
    QString name; // member, property, event, sim control (canonical spelling)
    QVariantList arguments;
    QVariant value;        // expected or written value; absent for "any"
    bool negated = false;  // "!=" or "expect no"
    int32_t timeoutMs = 0; // within / wait
    int32_t count = 1;     // answers queued by "on ErrorEvent"
};

struct Script
{
    QString fileName; // as given; "-" for standard input
    QString folder;   // where relative file names in the script are looked up
    std::vector<Step> steps;
};

QString deviceWord(DeviceClass device);

} // namespace script
