#include "report/PDFTallylineReporter.h"

#include <string>
#include <utility>

#include "app/AsynLog.h"
#include "app/Edition.h"
#include "report/AdapterSelection.h"
#include "report/Int64Halves.h"

namespace report {

PDFTallylineReporter::PDFTallylineReporter()
    : PDFTallylineReporter(
          CreateTallylineAdapter(ChooseAdapterKind(IsAutomationRun(), CurrentEdition().number),
                                 AdapterContext::ForProcess())) {}

PDFTallylineReporter::PDFTallylineReporter(std::unique_ptr<IPDFTallylineAdapter> adapter)
    : adapter_(std::move(adapter)) {}

int PDFTallylineReporter::Begin(std::string_view schema) {
    if (!adapter_)
        return 0;
    std::string error;
    auto parsed = ParseSchema(schema, &error);
    if (!parsed) {
        keasy::AsynLog::Instance().Print("PDFTallylineReporter::Begin refused:%s, schema:%s", error,
                                         schema);
        return 0;
    }
    const int answer = adapter_->Begin(schema);
    schema_ = std::move(parsed);
    return answer;
}

int PDFTallylineReporter::SetInt(std::string_view name, std::int32_t value) {
    if (!adapter_ || !Accepts(name, ValueKind::Int32, "SetInt"))
        return 0;
    return adapter_->SetInt(name, value);
}

int PDFTallylineReporter::SetString(std::string_view name, std::string_view value) {
    if (!adapter_ || !Accepts(name, ValueKind::Text, "SetString"))
        return 0;
    return adapter_->SetString(name, value);
}

int PDFTallylineReporter::SetInt64(std::string_view name, std::int64_t value) {
    if (!adapter_ || !Accepts(name, ValueKind::Int64, "SetInt64"))
        return 0;
    return adapter_->SetInt64(name, Low32(value), High32(value));
}

int PDFTallylineReporter::Send(SendMode mode) {
    if (!adapter_ || !schema_)
        return 0;
    schema_.reset();
    if (mode == SendMode::Queued) {
        if (const int taken = adapter_->Report(); taken != 0)
            return taken;
    }
    return adapter_->ReportNow(0);
}

bool PDFTallylineReporter::Accepts(std::string_view name, ValueKind kind,
                                   std::string_view operation) const {
    auto& log = keasy::AsynLog::Instance();
    if (!schema_) {
        log.Print("PDFTallylineReporter::%s no record begun, field:%s", operation, name);
        return false;
    }
    const auto index = schema_->IndexOf(name);
    if (!index) {
        log.Print("PDFTallylineReporter::%s unknown field:%s, record:%s", operation, name,
                  schema_->name);
        return false;
    }
    const FieldDeclaration& field = schema_->fields[*index];
    if (!FieldTakes(field.type, kind)) {
        log.Print("PDFTallylineReporter::%s wrong type for field:%s, declared:%s, record:%s",
                  operation, name, FieldTypeName(field.type), schema_->name);
        return false;
    }
    return true;
}

}  // namespace report
