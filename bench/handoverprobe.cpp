// A start as `zentari` makes one when its clock runs: find the lock held,
// hand the arguments over, end with the answer's status. Started afresh for
// every measurement by bench_handover.cpp.
#include "platform/singleinstance.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    zentari::SingleInstance instance(arguments.takeFirst());
    const auto decision = instance.start(arguments);
    return decision.kind == zentari::SingleInstance::Decision::HandedOver ? decision.answer.status
                                                                          : 100 + decision.kind;
}
