import leafweaver.View;

class ViewTests {
	public static function run(c:Check) {
		c.group("zoom and pan");
		c.test("unzoomed, the book fits the area and is centred", function() {
			var v = new View();
			v.setArea(10, 20, 1000, 600);
			var at = v.place(800, 500);
			c.near(1.2, at.scale, "scale");
			c.near(10 + (1000 - 960) / 2, at.x, "x");
			c.near(20, at.y, "y");
			v.panBy(300, 300);
			var still = v.place(800, 500);
			c.that(still.x == at.x && still.y == at.y, "a book that fits does not pan");
		});
		c.test("zoomed in, panning stops before the book leaves the view", function() {
			var v = new View();
			v.setArea(0, 0, 1000, 600);
			v.zoomIn();
			v.zoomIn();
			for (d in [-1e5, 1e5]) {
				v.panBy(d, d);
				var at = v.place(800, 500);
				var w = 800 * at.scale, h = 500 * at.scale;
				c.that(at.x <= 0 && at.x + w >= 1000, "covers the width after a pan by " + d);
				c.that(at.y <= 0 && at.y + h >= 600, "covers the height after a pan by " + d);
			}
		});
		c.test("zooming all the way out centres the book again", function() {
			var v = new View();
			v.setArea(0, 0, 1000, 600);
			var centred = v.place(800, 500);
			v.zoomIn();
			v.panBy(200, 100);
			v.place(800, 500);
			v.zoomOut();
			var at = v.place(800, 500);
			c.that(at.x == centred.x && at.y == centred.y, "centred");
		});
		c.test("zoom has a closest and a farthest level", function() {
			var v = new View();
			c.that(!v.zoomOut() && !v.zoomed, "no zooming out of the whole book");
			var steps = 0;
			while (v.zoomIn())
				steps++;
			c.equal(4, steps, "levels above the whole book");
			c.that(!v.canZoomIn, "no further");
		});
	}
}
