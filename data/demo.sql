-- The demonstration hotel: a business row and enabled modules with their menu entries open.
:on error exit
USE hotel
GO

INSERT INTO t_zd_user (code, name, ename, phone, tax, address, hangye)
VALUES ('01', N'维尔特演示大酒店', 'Veltraq Demo Hotel', '010-88886666', '010-88886667',
        N'北京市朝阳区演示路8号', '06')
GO

UPDATE LSXTMC SET F_SFSY = '1', F_QYNDQJ = '200801' WHERE F_XTBH IN ('KF', 'CY', 'XY')
UPDATE t_zd_menu SET ifini = 'Y'
 WHERE win_name IN ('wel_main', 'pay_main', 'roo_main', 'sal_main', 'eat_main', 'wat_main')
    OR win_name IN ('sys_main', 'man_main', 'cwr_main', 'urs_main') OR gsxtxx_js = '1'
GO
