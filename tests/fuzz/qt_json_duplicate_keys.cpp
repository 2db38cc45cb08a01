// Qt 5.15's JSON parser leaks when an object repeats a key whose value is an
// array: the earlier array is never freed. The project-file fuzzer meets this
// within seconds through the "DeviceList" document; this program shows the
// leak with Qt alone, so that run-fuzzers.sh can check its suppression. The
// last document's leak may still be referenced from the stack when the leak
// check runs, so it parses more than once.
#include <QJsonDocument>

int main()
{
    int objects = 0;
    for (int i = 0; i < 3; ++i)
        objects += QJsonDocument::fromJson(R"({"nodes":[1],"nodes":[2]})").isObject();
    return objects == 3 ? 0 : 1;
}
