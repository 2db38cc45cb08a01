#include "CompanionStart.h"

#include "store/ReadingsSource.h"

CompanionStart CompanionStart::read(const QStringList &arguments)
{
    CompanionStart start;
    start.project = CompanionProjectReader::read(arguments);
    if (!start.project.ok) {
        start.errorText = start.project.errorText;
        return start;
    }
    if (start.project.site && !ReadingsSource::forProject(start.project.projectFile)
                                   .catalogue(&start.site, &start.errorText))
        return start;
    start.ok = true;
    return start;
}
