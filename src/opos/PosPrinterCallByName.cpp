#include "opos/PosPrinter.h"

#include <QHash>
#include <functional>
#include <stdexcept>

namespace opos {

namespace {

int32_t argumentNumber(const QVariantList& arguments, int position)
{
    bool ok = false;
    const int32_t value = arguments.at(position).toInt(&ok);
    if (!ok)
        throw std::runtime_error("Type mismatch: a numeric argument was expected");
    return value;
}

} // namespace

// A late-bound call: the member is found by its name, as a script or an old client reaches it.
int32_t PosPrinter::CallByName(const QString& member, const QVariantList& arguments)
{
    struct Member
    {
        int arguments;
        std::function<int32_t(PosPrinter&, const QVariantList&)> call;
    };
    using Args = const QVariantList&;
    static const QHash<QString, Member> members{
        {QStringLiteral("open"),
         {1, [](PosPrinter& p, Args a) { return p.Open(a[0].toString()); }}},
        {QStringLiteral("close"), {0, [](PosPrinter& p, Args) { return p.Close(); }}},
        {QStringLiteral("claimdevice"),
         {1, [](PosPrinter& p, Args a) { return p.ClaimDevice(argumentNumber(a, 0)); }}},
        {QStringLiteral("claim"),
         {1, [](PosPrinter& p, Args a) { return p.Claim(argumentNumber(a, 0)); }}},
        {QStringLiteral("releasedevice"),
         {0, [](PosPrinter& p, Args) { return p.ReleaseDevice(); }}},
        {QStringLiteral("release"), {0, [](PosPrinter& p, Args) { return p.Release(); }}},
        {QStringLiteral("printnormal"),
         {2, [](PosPrinter& p,
                Args a) { return p.PrintNormal(argumentNumber(a, 0), a[1].toString()); }}},
        {QStringLiteral("printimmediate"),
         {2, [](PosPrinter& p,
                Args a) { return p.PrintImmediate(argumentNumber(a, 0), a[1].toString()); }}},
        {QStringLiteral("cutpaper"),
         {1, [](PosPrinter& p, Args a) { return p.CutPaper(argumentNumber(a, 0)); }}},
        {QStringLiteral("transactionprint"),
         {2,
          [](PosPrinter& p, Args a) {
              return p.TransactionPrint(argumentNumber(a, 0), argumentNumber(a, 1));
          }}},
        {QStringLiteral("printbarcode"),
         {7,
          [](PosPrinter& p, Args a) {
              return p.PrintBarCode(argumentNumber(a, 0), a[1].toString(), argumentNumber(a, 2),
                                    argumentNumber(a, 3), argumentNumber(a, 4),
                                    argumentNumber(a, 5), argumentNumber(a, 6));
          }}},
        {QStringLiteral("printbitmap"),
         {4,
          [](PosPrinter& p, Args a) {
              return p.PrintBitmap(argumentNumber(a, 0), a[1].toString(), argumentNumber(a, 2),
                                   argumentNumber(a, 3));
          }}},
        {QStringLiteral("setbitmap"),
         {5,
          [](PosPrinter& p, Args a) {
              return p.SetBitmap(argumentNumber(a, 0), argumentNumber(a, 1), a[2].toString(),
                                 argumentNumber(a, 3), argumentNumber(a, 4));
          }}},
        {QStringLiteral("printmemorybitmap"),
         {5,
          [](PosPrinter& p, Args a) {
              return p.PrintMemoryBitmap(argumentNumber(a, 0), a[1].toString(),
                                         argumentNumber(a, 2), argumentNumber(a, 3),
                                         argumentNumber(a, 4));
          }}},
        {QStringLiteral("clearoutput"), {0, [](PosPrinter& p, Args) { return p.ClearOutput(); }}},
        {QStringLiteral("checkhealth"),
         {1, [](PosPrinter& p, Args a) { return p.CheckHealth(argumentNumber(a, 0)); }}},
    };
    const auto found = members.constFind(member.toLower());
    if (found == members.cend())
        throw std::runtime_error(
            QStringLiteral("Object doesn't support this property or method: %1")
                .arg(member)
                .toStdString());
    if (arguments.size() != found->arguments)
        throw std::runtime_error(
            QStringLiteral("Wrong number of arguments for %1").arg(member).toStdString());
    return found->call(*this, arguments);
}

} // namespace opos
