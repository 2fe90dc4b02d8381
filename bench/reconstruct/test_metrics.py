"""Checks of the measuring functions: a wrong metric would rank the converters wrongly.
Run: python3 -m unittest discover -s bench/reconstruct"""

import io
import random
import unittest
import xml.etree.ElementTree as ET
import zipfile

import converters
import measure
import ooxml
import report
import textsim


def quadratic_lcs(a, b):
    previous = [0] * (len(b) + 1)
    for ch in a:
        current = [0]
        for j, other in enumerate(b):
            current.append(previous[j] + 1 if ch == other else max(previous[j + 1], current[j]))
        previous = current
    return previous[-1]


class TextSimilarityTest(unittest.TestCase):
    def test_lcs_agrees_with_the_quadratic_table(self):
        rng = random.Random(7)
        alphabets = ["ab", "abcdefgh", "文档转换测试，。"]
        for trial in range(60):
            alphabet = alphabets[trial % len(alphabets)]
            a = "".join(rng.choice(alphabet) for _ in range(rng.randint(0, 90)))
            b = "".join(rng.choice(alphabet) for _ in range(rng.randint(0, 90)))
            with self.subTest(a=a, b=b):
                self.assertEqual(textsim.lcs_length(a, b), quadratic_lcs(a, b))

    def test_similarity_ignores_layout_but_not_order_or_loss(self):
        cases = [
            ("Two words\nand more", "Two  words and\tmore", 1.0),
            ("ｆｕｌｌ－ｗｉｄｔｈ", "full-width", 1.0),  # NFKC folds compatibility forms
            ("abcd", "cdab", 0.5),
            ("abcdefgh", "abcd", 2 * 4 / 12),
            ("", "", 1.0),
            ("text", "", 0.0),
        ]
        for reference, candidate, expected in cases:
            with self.subTest(reference=reference, candidate=candidate):
                self.assertAlmostEqual(textsim.similarity(reference, candidate), expected)


W_NS = ('xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" '
        'xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" '
        'xmlns:v="urn:schemas-microsoft-com:vml" '
        'xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" '
        'xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing"')

BODY = f"""<w:document {W_NS}><w:body>
<w:p><w:r><w:t>flowing</w:t></w:r></w:p>
<w:p><w:r><mc:AlternateContent>
  <mc:Choice><w:drawing><wp:anchor><w:txbxContent><w:p><w:r><w:t>boxed</w:t></w:r></w:p>
  </w:txbxContent><a:blip/></wp:anchor></w:drawing></mc:Choice>
  <mc:Fallback><w:pict><v:textbox><w:txbxContent><w:p><w:r><w:t>boxed</w:t></w:r></w:p>
  </w:txbxContent></v:textbox><v:imagedata/></w:pict></mc:Fallback>
</mc:AlternateContent></w:r></w:p>
<w:p><w:pPr><w:framePr w:x="100"/></w:pPr><w:r><w:t>framed</w:t></w:r></w:p>
<w:tbl><w:tblGrid><w:gridCol/><w:gridCol/><w:gridCol/></w:tblGrid>
  <w:tr><w:tc><w:p><w:r><w:t>cell</w:t></w:r></w:p>
    <w:tbl><w:tblGrid><w:gridCol/></w:tblGrid><w:tr><w:tc/></w:tr></w:tbl></w:tc></w:tr>
  <w:tr><w:tc/></w:tr></w:tbl>
<w:tbl><w:tr><w:tc><w:tcPr><w:gridSpan w:val="2"/></w:tcPr></w:tc><w:tc/></w:tr>
  <w:tr><w:tc/></w:tr></w:tbl>
<w:p><w:r><w:drawing><wp:inline><a:blip/></wp:inline></w:drawing></w:r></w:p>
</w:body></w:document>"""


class DocxShapeTest(unittest.TestCase):
    def test_counts_text_once_and_only_body_paragraphs_as_flowing(self):
        shape = ooxml.docx_shape_of(ET.fromstring(BODY))
        self.assertEqual(shape.all_chars, len("flowing" "boxed" "framed" "cell"))
        self.assertEqual(shape.flowing_chars, len("flowing" "cell"))
        self.assertEqual(shape.images, 2)
        # the nested table belongs to its cell; a grid-less table is as wide as its widest row
        self.assertEqual(shape.tables, [(2, 3), (2, 3)])


def workbook(sheet_rows):
    """An .xlsx in memory; sheet_rows: (reference, attributes, value) for each cell."""
    main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
    styles = (f'<styleSheet xmlns="{main}"><numFmts><numFmt numFmtId="164" '
              'formatCode="yyyy\\-mm\\-dd"/><numFmt numFmtId="165" formatCode="&quot;day&quot;0"/>'
              '</numFmts><cellXfs><xf numFmtId="0"/><xf numFmtId="164"/><xf numFmtId="9"/>'
              '<xf numFmtId="165"/></cellXfs></styleSheet>')
    strings = f'<sst xmlns="{main}"><si><t>Item</t></si><si><t>Pens</t></si></sst>'
    cells = "".join(f'<c r="{ref}" {attributes}><v>{value}</v></c>'
                    for ref, attributes, value in sheet_rows)
    sheet = f'<worksheet xmlns="{main}"><sheetData><row>{cells}</row></sheetData></worksheet>'
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w") as archive:
        archive.writestr("xl/styles.xml", styles)
        archive.writestr("xl/sharedStrings.xml", strings)
        archive.writestr("xl/worksheets/sheet1.xml", sheet)
    data.seek(0)
    return data


EXPECTED = [{"row": 1, "column": 1, "kind": "text", "value": "Item"},
            {"row": 2, "column": 1, "kind": "text", "value": "Pens"},
            {"row": 2, "column": 2, "kind": "date", "value": "2024-04-08"},
            {"row": 2, "column": 3, "kind": "percent", "value": 0.1},
            {"row": 2, "column": 4, "kind": "number", "value": 250}]


class WorkbookCellsTest(unittest.TestCase):
    def test_cells_are_found_by_value_and_kind_wherever_the_table_sits(self):
        serial = int(ooxml.excel_serial("2024-04-08"))
        self.assertEqual(serial, 45390)
        right = [("C4", 't="s"', 0), ("C5", 't="s"', 1), ("D5", 's="1"', serial),
                 ("E5", 's="2"', 0.1), ("F5", 's="3"', 250)]
        wrong_kinds = [("A1", 't="s"', 0), ("A2", 't="s"', 1), ("B2", 's="0"', serial),
                       ("C2", 't="str"', "10%"), ("D2", 's="2"', 250)]
        for cells, found in [(right, 5), (wrong_kinds, 2)]:
            with self.subTest(cells=cells):
                sheets = ooxml.xlsx_sheets(workbook(cells))
                self.assertEqual(ooxml.cells_recovered(sheets, EXPECTED), found)


class StructureChecksTest(unittest.TestCase):
    def test_each_check_passes_only_on_what_it_names(self):
        base = dict(document="d", converter="c", flowing=1.0, tables_found=[(5, 3), (3, 4)],
                    tables_expected=[(3, 4), (5, 3)], images_found=2, images_expected=2,
                    pages_back=10, pages_source=10)
        cases = [
            ({}, {"flowing": True, "tables": True, "images": True, "pages": True}),
            ({"flowing": 0.99}, {"flowing": False}),
            ({"tables_found": [(5, 3), (3, 4), (1, 1)]}, {"tables": False}),
            ({"tables_found": [(5, 3), (3, 3)]}, {"tables": False}),
            ({"images_found": 1}, {"images": False}),
            ({"images_found": 3}, {}),
            ({"pages_back": 11}, {}),
            ({"pages_back": 12}, {"pages": False}),
            ({"error": "timeout"}, {"flowing": False, "tables": False, "images": False,
                                    "pages": False}),
        ]
        for change, differences in cases:
            with self.subTest(change=change):
                checks = measure.Row(**dict(base, **change)).checks()
                expected = dict({"flowing": True, "tables": True, "images": True, "pages": True},
                                **differences)
                self.assertEqual(checks, expected)

    def test_unknown_tables_are_not_judged(self):
        row = measure.Row("d", "c", flowing=1.0, tables_found=[(2, 2)], pages_back=1,
                          pages_source=1)
        self.assertNotIn("tables", row.checks())

    def test_a_scan_is_judged_by_its_pictures_not_by_flowing_text(self):
        row = measure.Row("d", "c", flowing=None, images_found=3, images_expected=3,
                          pages_back=3, pages_source=3, source_has_text=False)
        self.assertEqual(row.checks(), {"images": True, "pages": True})
        text = measure.Row("d", "c", flowing=None, pages_back=1, pages_source=1)
        self.assertFalse(text.checks()["flowing"])


class SpeedTest(unittest.TestCase):
    LOG = "\n".join([
        '2026-12-10 14:13:09 943  Start kpdfcore processid:0, taskid:101, param:'
        '{"check_img_pdf":1,"cmd":"get_file_info","file":"/tmp/a.pdf","task_id":101}',
        '2026-12-10 14:13:09 984  pdf server receive cmd:'
        '{"cmd":"notify","core_work_us":22628,"page_count":10,"task_id":101}',
        '2026-12-10 14:13:09 985  Start kpdfcore processid:0, taskid:102, param:'
        '{"cmd":"pdf_to_docx","pages":[1,2],"source_path":"/tmp/a.pdf","task_id":102}',
        '2026-12-10 14:13:09 985  Start kpdfcore processid:0, taskid:103, param:'
        '{"cmd":"pdf_to_docx","pages":[3],"source_path":"/tmp/a.pdf","task_id":103}',
        '2026-12-10 14:13:10 026  pdf server receive cmd:'
        '{"cmd":"notify","core_work_us":38103,"progress":100,"task_id":102}',
        '2026-12-10 14:13:10 026  pdf server receive cmd:{"cmd":"notify","result":1,"task_id":102}',
        '2026-12-10 14:13:10 030  pdf server receive cmd:'
        '{"cmd":"notify","core_work_us":2000,"progress":100,"task_id":103}',
    ])

    def test_the_core_time_is_the_conversion_tasks_work_only(self):
        # The file-facts query's work is not the conversion's; a split conversion's parts add up.
        self.assertAlmostEqual(converters.core_work_seconds(self.LOG), 0.040103)
        self.assertIsNone(converters.core_work_seconds(self.LOG, "pdf_to_xlsx"))
        self.assertIsNone(converters.core_work_seconds("no task at all"))

    def test_speed_ratios_compare_with_mutools_whole_run_on_documents_both_converted(self):
        rows = [measure.Row("a", "ours", 0.10, 0.03), measure.Row("a", "mutool", 0.02),
                measure.Row("b", "ours", 0.30, 0.05), measure.Row("b", "mutool", 0.03),
                measure.Row("c", "ours", 9.0, 9.0),  # mutool failed on it
                measure.Row("c", "mutool", 1.0, error="timeout")]
        self.assertAlmostEqual(report.speed_ratio(rows, "ours"), 0.40 / 0.05)
        self.assertAlmostEqual(report.speed_ratio(rows, "ours", field="core_seconds"), 0.08 / 0.05)


if __name__ == "__main__":
    unittest.main()
