#pragma once

#include <string_view>

// Every usage record the program sends, declared once. The texts are what the receiving side
// knows the records by: names, ids, field names (misspellings included) and types must not
// change.
namespace report::schemas {

inline constexpr std::string_view kStartup =
    "amber_pdftoword_startup:7098 source:int tab_type:int ver:int product_id:byte up_from:int64";

inline constexpr std::string_view kConverterStart =
    "amber_birchpdf_converter_start:7777 total_time:int ver:byte";

inline constexpr std::string_view kMainOpen =
    "amber_pdftoword_main_open:8455 source:int ver:int product_id:byte ver_proudct:int "
    "cooperation_id:int install:byte click:int open_times:int os:int reader_ver:int days:int";

inline constexpr std::string_view kMainClick =
    "amber_pdftoword_main_click:6564 click:byte ver:int main_click:byte option_click:byte "
    "product_id:int";

inline constexpr std::string_view kSettings =
    "amber_pdftoword_set:6567 click:byte add_office:bit widget:bit product_id:byte ver:int "
    "retry:bit";

inline constexpr std::string_view kResult =
    "amber_pdftoword_result:8391 result:byte reason:byte source_type:string file_type:byte "
    "size:int totalpages:int resultpages:int ver:int filename:string filesize:int "
    "errormsg:string result_type:byte ocr:byte file_load:byte r_time:short r_server:byte "
    "product_id:int paper:byte direction:byte margin:byte compression:byte cooperation_id:int "
    "error_type:int src_file_size:string dst_file_size:string version:int compression_ratio:int "
    "targetsize:int asize:string bsize:string picture_format:string item1:string item2:string "
    "item3:int";

inline constexpr std::string_view kImageInfo =
    "amber_birchpdf_converter_imginfo:7803 product_id:short ver:int img_num:short "
    "img_totalpx:string img_maxpx:string result:byte times:int img_type:byte img_w:int img_h:int "
    "pdf_type:byte file_name:string list_num:short img_times:int";

inline constexpr std::string_view kQuickFeedback =
    "amber_pdftoword_feedback:7051 feedback:string contact:string ver:int pid:byte "
    "filename:string product_id:byte page:int click:int chose:int list:string new:int";

inline constexpr std::string_view kFeedback =
    "amber_pdftoword_feedback:6561 feedback:string contact:string ver:int pid:byte "
    "filename:string product_id:byte";

inline constexpr std::string_view kConverterFeedback =
    "amber_birchpdf_converter_feedback:7848 product_id:int ver:int source:short operate:int "
    "file:int filepath:string options:string feedback:string contact:string item1:int "
    "result_type:int error_type:int";

inline constexpr std::string_view kAppraisePop =
    "amber_pdfcovert_appraisepop:6921 clicktype:byte product_id:byte popid:byte ver:int";

inline constexpr std::string_view kPop =
    "amber_pdfcovert_pop:6873 clicktype:byte ver:int product_id:byte popid:byte";

inline constexpr std::string_view kDownload =
    "amber_pdftoword_down:6560 ver:int download:byte d_time:int errormsg:string";

inline constexpr std::string_view kDefaultSoftPop =
    "amber_birchpdf_pop_defsoft:7759 ver:int product_id:byte nfrom:byte nshow:byte nclick:byte "
    "checkbox:byte defsoft:string";

inline constexpr std::string_view kDefaultProtect =
    "amber_pdfstart_defpro:8465 product_id:byte nshow:byte nclick:byte defsoft:string cishu:int";

inline constexpr std::string_view kIcon =
    "amber_birchpdf_ico:7641 product_id:int ver:int ico_type:int newico:byte icotimes:byte "
    "item1:int";

inline constexpr std::string_view kAll[] = {
    kStartup,        kConverterStart,
    kMainOpen,       kMainClick,
    kSettings,       kResult,
    kImageInfo,      kQuickFeedback,
    kFeedback,       kConverterFeedback,
    kAppraisePop,    kPop,
    kDownload,       kDefaultSoftPop,
    kDefaultProtect, kIcon,
};

}  // namespace report::schemas
