import leafweaver.Action;
import leafweaver.PageCommand;

class PageCommandTests {
	public static function run(c:Check) {
		c.group("page commands");
		c.test("the four moves, a page number, the panels and the zoom", function() {
			c.that(PageCommand.parse("first", null) == First, "first");
			c.that(PageCommand.parse("previous", null) == Previous, "previous");
			c.that(PageCommand.parse("next", null) == Next, "next");
			c.that(PageCommand.parse("last", null) == Last, "last");
			c.that(Type.enumEq(PageCommand.parse("goto", 37), GoTo(37)), "goto 37");
			c.that(Type.enumEq(PageCommand.parse("goto", "12"), GoTo(12)), "goto as text");
			c.that(PageCommand.parse("thumbnails", null) == Overview, "thumbnails");
			c.that(PageCommand.parse("outline", null) == Contents, "outline");
			c.that(PageCommand.parse("zoomin", null) == ZoomIn && PageCommand.parse("zoomout", null) == ZoomOut, "zoom");
		});
		c.test("unknown names and bad page numbers do nothing", function() {
			c.that(PageCommand.parse("zoom", 1) == null, "unknown name");
			for (bad in ([0, -3, 2.5, "x", null] : Array<Dynamic>))
				c.that(PageCommand.parse("goto", bad) == null, "goto " + bad);
		});
	}
}
