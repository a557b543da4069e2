// The user's words for why a zip gave no track.
#pragma once

#include <QString>

struct ArchiveProblem;

// The problem (and the entry concerned) in a few words, to follow "<file name>: " in the
// detail of the "Cannot open the file." message.
QString DescribeArchiveProblem(const ArchiveProblem& problem);
