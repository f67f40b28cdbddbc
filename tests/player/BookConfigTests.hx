import leafweaver.BookConfig;

class BookConfigTests {
	static function hex(v:Int):String
		return v < 0 ? "none" : StringTools.hex(v, 6);

	public static function run(c:Check) {
		c.group("the page list");
		c.test("a full page list", function() {
			var b = BookConfig.parse('<?xml version="1.0" encoding="utf-8"?>\n<!-- written by the publisher -->\n'
				+ '<content width="600" height="800" bgcolor="#146E6E" loadercolor="ff8000" panelcolor="101010" '
				+ 'buttoncolor="#abcdef" textcolor="000000">\n'
				+ '  <page src=" pages/1.png "/>\n  <page src="pages/2.bmp"></page>\n</content>');
			c.that(b != null, "read");
			c.equal("600 800", b.width + " " + b.height, "size");
			c.equal("146E6E FF8000 101010 ABCDEF 000000", [b.bgColor, b.loaderColor, b.panelColor, b.buttonColor, b.textColor].map(hex).join(" "),
				"colours");
			c.equal("pages/1.png|pages/2.bmp", b.pages.join("|"), "pages, trimmed");
		});
		c.test("names in any case; other elements and a page without src", function() {
			var b = BookConfig.parse('<CONTENT><Page src="a.png"/><title>x</title><PAGE/><page src="http://h/b.png"/></CONTENT>');
			c.that(b != null, "read");
			c.equal("a.png||http://h/b.png", b.pages.join("|"), "pages");
		});
		c.test("missing attributes keep the defaults; no colour means the background image", function() {
			var b = BookConfig.parse("<content/>");
			var d = new BookConfig();
			c.equal(d.width + " " + d.height, b.width + " " + b.height, "size");
			c.equal("none", hex(b.bgColor), "background");
			c.equal(0, b.pages.length, "no pages");
		});
		c.test("unusable sizes and colours keep the defaults", function() {
			var d = new BookConfig();
			for (bad in ["0", "-5", "20001", "abc", ""]) {
				var b = BookConfig.parse('<content width="$bad" height="$bad"/>');
				c.equal(d.width + " " + d.height, b.width + " " + b.height, 'size "$bad"');
			}
			for (bad in ["#12345", "1234567", "GG0000", "#", "red"]) {
				var b = BookConfig.parse('<content bgcolor="$bad" loadercolor="$bad"/>');
				c.equal("none " + hex(d.loaderColor), hex(b.bgColor) + " " + hex(b.loaderColor), 'colour "$bad"');
			}
		});
		c.test("sizes at the limits are taken", function() {
			var b = BookConfig.parse('<content width=" 1 " height="20000"/>');
			c.equal("1 20000", b.width + " " + b.height, "size");
		});
		c.test("text that is not a page list is refused", function() {
			for (bad in ["", "not xml at all", "<content", "<content><page></content>", "<book><page src='a.png'/></book>",
				"<!-- only a comment -->"])
				c.that(BookConfig.parse(bad) == null, "refused: " + bad);
		});
	}
}
