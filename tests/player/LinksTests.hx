import leafweaver.Links;

class LinksTests {
	public static function run(c:Check) {
		c.group("links");
		c.test("areas by page, web addresses and pages of the book", function() {
			var l = Links.parse('{"1":[[0.1,0.2,0.3,0.1,"https://example.org/a?b=1"],[0.5,0.5,0.2,0.2,4]],"3":[[0,0,1,0.5,"mailto:a@b.c"]]}', 5);
			c.equal("https://example.org/a?b=1", l.get(0)[0].url, "web address");
			c.equal(4, l.get(0)[1].page, "page");
			c.that(l.get(0)[1].url == null, "a page link has no address");
			c.equal("mailto:a@b.c", l.get(2)[0].url, "mail");
			c.that(!l.exists(1), "page 2 has none");
		});
		c.test("addresses other than http, https and mailto, pages outside the book and bad areas are left out", function() {
			var l = Links.parse('{"1":[[0,0,1,1,"javascript:alert(1)"],[0,0,1,1,"file:///etc/passwd"],[0,0,1,1,9],[0,0,0,1,"https://a.b"],[0,0,1,1],["x",0,1,1,2]],"7":[[0,0,1,1,1]],"x":[]}', 5);
			c.that(!l.exists(0) && !l.exists(6), "nothing kept");
			for (t in ["", "[]", "nonsense", "null", "3"])
				c.that(!Links.parse(t, 5).keys().hasNext(), "'" + t + "'");
		});
		c.test("a point finds the topmost area holding it", function() {
			var l = Links.parse('{"1":[[0.1,0.1,0.5,0.5,2],[0.4,0.4,0.2,0.2,3]]}', 5);
			c.equal(2, Links.at(l.get(0), 0.2, 0.2).page, "lower area");
			c.equal(3, Links.at(l.get(0), 0.5, 0.5).page, "upper area");
			c.that(Links.at(l.get(0), 0.9, 0.9) == null, "outside");
			c.that(Links.at(null, 0.5, 0.5) == null, "no areas");
		});
	}
}
