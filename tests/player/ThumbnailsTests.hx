import leafweaver.Thumbnails;

class ThumbnailsTests {
	static var INDEX = '{"version":1,"pages":45,"cell":[85,120],"columns":5,"rows":4,"sheets":["thumbs/1.jpg","thumbs/2.jpg","thumbs/3.jpg"]}';

	public static function run(c:Check) {
		c.group("thumbnails");
		c.test("the index gives each page its sheet and cell", function() {
			var t = Thumbnails.parse(INDEX, 45);
			c.that(t != null, "parsed");
			c.equal(85, t.cellW, "cell width");
			c.equal(0, Thumbnails.sheetOf(t, 1), "page 1");
			c.equal(0, Thumbnails.sheetOf(t, 20), "page 20");
			c.equal(1, Thumbnails.sheetOf(t, 21), "page 21");
			c.equal(2, Thumbnails.sheetOf(t, 45), "page 45");
			var at = Thumbnails.cellOf(t, 27);
			c.equal(85, at.x, "x of page 27");
			c.equal(120, at.y, "y of page 27");
			var last = Thumbnails.cellOf(t, 20);
			c.that(last.x == 4 * 85 && last.y == 3 * 120, "page 20 in the last cell");
		});
		c.test("an index that does not fit the book, lacks sheets or leads out of source/ gives none", function() {
			for (t in [
				"", "not json", "[]", "null",
				INDEX.split('"pages":45').join('"pages":44'),
				INDEX.split(',"thumbs/3.jpg"').join(""),
				INDEX.split('[85,120]').join('[0,120]'),
				INDEX.split('[85,120]').join('[85]'),
				INDEX.split('"columns":5').join('"columns":"5"'),
				INDEX.split('thumbs/2.jpg').join('../secret.jpg'),
				INDEX.split('thumbs/2.jpg').join('http://elsewhere/x.jpg'),
				INDEX.split('"thumbs/2.jpg"').join('7')
			])
				c.that(Thumbnails.parse(t, 45) == null, "refused: " + t);
		});
		c.test("the grid fits whole cells, scrolls by rows and stops at the ends", function() {
			var g = new ThumbnailGrid(45, 85, 120);
			// 12 + 3 cells of 85 with gaps of 10 + 12 = 299; the fourth would need 394.
			g.setSize(300, 600);
			c.equal(3, g.columns, "columns");
			c.equal(15, g.rows, "rows");
			c.equal(3, g.rowsShown, "rows shown (148 each)");
			c.equal("1,2,3,4,5,6,7,8,9", g.visiblePages().join(","), "first rows");
			g.scrollTo(99);
			c.equal(12, g.firstRow, "last rows at the bottom");
			c.equal("37,38,39,40,41,42,43,44,45", g.visiblePages().join(","), "last pages");
			c.that(g.positionOf(1) == null, "page 1 is not on view");
			g.reveal(4);
			c.equal(1, g.firstRow, "revealing page 4 scrolls up to its row");
			g.reveal(20);
			c.equal(4, g.firstRow, "revealing page 20 scrolls down until its row is the last shown");
			g.scrollTo(-5);
			c.equal(0, g.firstRow, "not above the first row");
		});
		c.test("a right-to-left grid runs from the right", function() {
			var ltr = new ThumbnailGrid(10, 85, 120), rtl = new ThumbnailGrid(10, 85, 120, true);
			ltr.setSize(300, 600);
			rtl.setSize(300, 600);
			c.near(ltr.positionOf(3).x, rtl.positionOf(1).x, "page 1 where left-to-right has page 3");
			c.near(ltr.positionOf(1).x, rtl.positionOf(3).x, "page 3 where left-to-right has page 1");
			c.near(ltr.positionOf(4).y, rtl.positionOf(4).y, "rows alike");
			c.that(ltr.positionOf(1).x < ltr.positionOf(2).x, "left to right");
		});
		c.test("keys move the choice by cell, row and screen, mirrored right to left", function() {
			var g = new ThumbnailGrid(45, 85, 120);
			g.setSize(300, 600);
			c.equal(6, g.move(5, 39), "right");
			c.equal(4, g.move(5, 37), "left");
			c.equal(8, g.move(5, 40), "down a row of three");
			c.equal(1, g.move(2, 38), "up stops at the first page");
			c.equal(14, g.move(5, 34), "Page Down: three rows");
			c.equal(45, g.move(44, 34), "Page Down stops at the last page");
			c.equal(1, g.move(30, 36), "Home");
			c.equal(45, g.move(3, 35), "End");
			c.that(g.move(5, 65) == null, "other keys are not the grid's");
			var r = new ThumbnailGrid(45, 85, 120, true);
			r.setSize(300, 600);
			c.equal(6, r.move(5, 37), "left goes on right to left");
			c.equal(4, r.move(5, 39), "right goes back");
		});
	}
}
