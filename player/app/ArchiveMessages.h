// The user's words for why a zip gave no track.
#pragma once

#include <QString>

struct ArchiveProblem;

// One sentence naming the problem (and the entry concerned), for the detail of the
// "Cannot open the file." message.
QString DescribeArchiveProblem(const ArchiveProblem& problem);
